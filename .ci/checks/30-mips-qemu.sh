#!/usr/bin/env bash
# SPDX-License-Identifier: ISC
# Big-endian MIPS: the size-optimised build with Debian's cross compiler and
# the whole test suite, the simulator's tests included, run under qemu-user.
# The driver request is a binary record and many routers are big-endian;
# this is where byte order shows.
#
# GoogleTest is built from the sources libgtest-dev installs. The tests that
# start the daemon as a process start it under qemu as well (a launcher
# script in the build directory); the shell and tools it starts are the
# build machine's.
set -euo pipefail
cd "$(dirname "$0")/../.."

# shellcheck source=.ci/lib.sh
. .ci/lib.sh
ensure_deps mips

build="build-ci-mips"
rm -rf "$build"
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mips-linux-gnu.cmake \
  -DCMAKE_BUILD_TYPE=MinSizeRel -DRELAYWATCH_SIMULATOR=ON
cmake --build "$build" -j2

file "$build/relaywatch" 2>/dev/null || true
echo "-- footprint (mips-linux-gnu, MinSizeRel)"
ctest --test-dir "$build" -R '^footprint\.' --output-on-failure -V | grep -E '^[0-9]+: (stripped|xz|text|needs)' || true
echo "-- tests under qemu-mips"
ctest --test-dir "$build" --output-on-failure -j2 --timeout 300
