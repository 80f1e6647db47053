// SPDX-License-Identifier: ISC
// The platform operations only relaywatch-report needs, beside those of
// platform/platform.h (the store, commands, the driver request), which it
// shares with the daemon. Implemented for the router in
// platform/host_report.cpp, in testing/fake_platform.cpp and in the
// simulated router; the daemon links none of them.
//
// None of these operations throws. Failures read as stated on each one.
#pragma once

#include <cstddef>

#include "platform/platform.h"

namespace plat {

// --- files ---------------------------------------------------------------

// Opens the file `path` for reading. Returns a descriptor, or -1.
int file_open(const char* path);

// Reads up to `capacity` bytes into `buf`. Returns the number read; 0 at
// the end of the file or on a read error.
std::size_t file_read(int fd, char* buf, std::size_t capacity);

// Closes a descriptor from file_open() or file_create().
void file_close(int fd);

// Creates (or truncates) the file `path` for writing, readable by its owner
// only. Returns a descriptor, or -1.
int file_create(const char* path);

// The descriptor of standard output, for file_write().
inline constexpr int kStandardOutput = 1;

// Writes all `len` bytes to `fd`. False when they could not all be written.
bool file_write(int fd, const char* data, std::size_t len);

// --- processes and commands ------------------------------------------------

// The ids of the running processes (the numeric entries of /proc), at most
// `capacity` of them, into `pids`. Returns how many were written.
std::size_t process_ids(int* pids, std::size_t capacity);

// Closes a command's output like output_close() and returns the command's
// exit status (0 to 255), or -1 when it did not end normally or `out` is
// nullptr.
int output_finish(Output* out);

// --- the system ------------------------------------------------------------

// The router's local date and time with its zone, "2026-12-07 21:31:21
// +0100 CET", into `buf`. False when the clock cannot be read.
bool clock_text(char* buf, std::size_t capacity);

// The kernel: its name, release, version and machine, into `buf`. False
// when they cannot be had.
bool kernel_text(char* buf, std::size_t capacity);

// The file of the stand-in store that plat::store_get() reads, or nullptr
// when the store is a store library (which cannot list its keys).
const char* store_file_name();

}  // namespace plat
