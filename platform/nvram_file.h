// SPDX-License-Identifier: ISC
// The stand-in configuration store for hosts without a store library: a text
// file of KEY=VALUE lines.
#pragma once

#include <string_view>

// Finds `key` in the store file text `content`. The value is everything
// after the first '=' up to the line end, a trailing '\r' dropped and blanks
// kept; blank lines and lines starting with '#' are ignored; when a key
// appears twice the last wins. Returns false when the key is not there.
bool store_file_lookup(std::string_view content, std::string_view key, std::string_view& value);

// The file the stand-in store reads: $RELAYWATCH_NVRAM, else this.
inline constexpr const char* kDefaultStoreFile = "/etc/relaywatch/nvram";
