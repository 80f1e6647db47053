// SPDX-License-Identifier: ISC
// The platform boundary: every operation through which relaywatch touches the
// router. The rest of the program works only through these declarations.
//
// Three implementations are chosen at link time, never at run time:
//   platform/host.cpp          the real router (store, /bin/sh, the driver);
//   testing/fake_platform.cpp  a recording fake for the unit tests, the fuzz
//                              targets and the benchmarks;
//   sim/sim_platform.cpp       the simulated router of relaywatch-sim.
//
// None of these operations throws. Failures read as stated on each one.
#pragma once

#include <cstddef>

namespace plat {

// --- configuration store -------------------------------------------------

// Reads the stored setting `key` (section 0). Returns a newly allocated,
// zero-terminated text that the caller owns and hands back to store_release().
// A key the store does not hold reads as the empty text. nullptr means the
// store could not be read (or no memory): start-up reads it as the empty
// text, while a re-programming of the radio refuses to run on it.
char* store_get(const char* key);

// Releases a text returned by store_get(). Accepts nullptr.
void store_release(char* text);

// --- shell commands --------------------------------------------------------

// Runs `command` through /bin/sh and returns when it has finished. The exit
// status is not reported: no caller looks at it.
void run(const char* command);

// A command started with its standard output open for reading.
struct Output;

// Starts `command` through /bin/sh with its standard output open for
// reading. Returns nullptr when the stream cannot be opened. The caller owns
// the result and hands it to output_close() exactly once.
Output* output_open(const char* command);

// Reads up to `capacity` bytes of the command's output into `buf`. Returns
// the number of bytes read; 0 at the end of the output or on a read error.
std::size_t output_read(Output* out, char* buf, std::size_t capacity);

// Closes the stream and waits for the command to end. Accepts nullptr.
void output_close(Output* out);

// --- the driver's private request ----------------------------------------

// Opens an AF_INET, SOCK_DGRAM socket. Returns the descriptor, or -1.
int socket_open();

// Issues ioctl(`fd`, `request`, `arg`). Returns 0 on success, non-zero when
// the driver refuses the request. `arg` is the caller's request record.
int socket_ioctl(int fd, unsigned long request, void* arg);

// Closes a descriptor returned by socket_open().
void socket_close(int fd);

// --- time, output, memory -------------------------------------------------

// Pauses for whole seconds (0 returns at once).
void sleep_seconds(unsigned seconds);

// Writes `len` bytes of log text to standard output. The host writes them
// at once, unbuffered, also into a pipe or a file.
void write_out(const char* text, std::size_t len);

// Allocates `count` * `size` zero-filled bytes, or returns nullptr (also on
// overflow of the product). Released with release().
void* alloc_zeroed(std::size_t count, std::size_t size);

// Releases memory from alloc_zeroed(). Accepts nullptr.
void release(void* p);

}  // namespace plat
