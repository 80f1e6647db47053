// SPDX-License-Identifier: ISC
// The configuration store's C interface. The daemon links either a real store
// library that provides it or the stand-in store of platform/nvram_file.cpp.
#pragma once

extern "C" {

// Reads setting `name` of section `index`. Returns a newly allocated,
// zero-terminated text that the caller releases with free(); a setting the
// store does not hold reads as the empty text. nullptr when the store cannot
// be read (the stand-in's file missing or unreadable) or without memory.
char* nvram_bufget(int index, const char* name);
}
