#!/usr/bin/env bash
# SPDX-License-Identifier: ISC
# A daemon linked with a store library through RELAYWATCH_NVRAM_LIBRARY:
# built in a scratch build, it needs only the C library and the store
# library, takes nvram_bufget from the library, and passes the tests, every
# test that starts the daemon as a process starting this one.
#
#   bash tests/store_library_test.sh <source dir> <scratch dir> <store library>
#        <relaywatch_tests> [cmake option...]
set -euo pipefail

src=$1 scratch=$2 library=$3 tests=$4
shift 4
build="$scratch/build"
rm -rf "$scratch"
mkdir -p "$scratch"

cmake -S "$src" -B "$build" -DRELAYWATCH_NVRAM_LIBRARY="$library" -DBUILD_TESTING=OFF "$@" >"$scratch/configure.log"
cmake --build "$build" -j2 --target relaywatch >"$scratch/build.log"
daemon="$build/relaywatch"

needed=$(readelf -d "$daemon" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | sort | tr '\n' ' ')
echo "needs: $needed"
if [ "$needed" != "libc.so.6 $(basename "$library") " ]; then
	echo "FAIL: the daemon should need the C library and $(basename "$library") only" >&2
	exit 1
fi
if ! nm -D "$daemon" | grep -Eq '^ +U nvram_bufget$'; then
	echo "FAIL: the daemon does not take nvram_bufget from the store library" >&2
	exit 1
fi

# The tests start the daemon through this launcher, which notes each start:
# no note, and the tests did not run this daemon.
launcher="$scratch/relaywatch-noted"
printf '#!/bin/sh\necho started >>"%s"\nexec "%s" "$@"\n' "$scratch/starts" "$daemon" >"$launcher"
chmod +x "$launcher"
RELAYWATCH_TEST_DAEMON="$launcher" "$tests" --gtest_brief=1
if [ ! -s "$scratch/starts" ]; then
	echo "FAIL: the tests did not start the daemon named by RELAYWATCH_TEST_DAEMON" >&2
	exit 1
fi
echo "store library: the daemon passes the tests ($(wc -l <"$scratch/starts") daemon starts)"
