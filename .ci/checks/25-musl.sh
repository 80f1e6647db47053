#!/usr/bin/env bash
# SPDX-License-Identifier: ISC
# The daemon against a second C library: built statically against musl
# (cmake/toolchains/musl.cmake), then the tests run with every test that
# starts the daemon as a process starting that binary (RELAYWATCH_TEST_DAEMON);
# the tests themselves are the glibc build's. Checks that it is a static PIE
# and prints its stripped size, also under xz -9e.
set -euo pipefail
cd "$(dirname "$0")/../.."

# shellcheck source=.ci/lib.sh
. .ci/lib.sh
ensure_deps musl

musl=build-ci-musl
rm -rf "$musl"
cmake -S . -B "$musl" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/musl.cmake -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
cmake --build "$musl" -j2 --target relaywatch
daemon="$PWD/$musl/relaywatch"

echo "-- the musl daemon"
file "$daemon"
if readelf -d "$daemon" 2>/dev/null | grep -q NEEDED; then
  readelf -d "$daemon" | grep NEEDED
  echo "FAILED: the musl daemon needs shared libraries" >&2
  exit 1
fi
# Position independence, as musl supports it (docs/packaging.md, "Hardening"): a static
# PIE (ET_DYN, no interpreter). (Its stack protector cannot be told from
# musl's own in the static file; 22-hardening.sh checks the same flags.)
if ! readelf -h "$daemon" | grep -Eq 'Type:[[:space:]]+DYN' || readelf -l "$daemon" | grep -q INTERP; then
  echo "FAILED: the musl daemon is not a static PIE" >&2
  exit 1
fi
strip -o "$musl/relaywatch.stripped" "$daemon"
size "$daemon"
echo "stripped: $(wc -c <"$musl/relaywatch.stripped") bytes"
echo "xz -9e: $(xz -9e -c "$musl/relaywatch.stripped" | wc -c) bytes, of the stripped file"

echo "-- the tests (glibc build) with the musl daemon"
cmake -S . -B build >/dev/null
cmake --build build -j2 --target relaywatch_tests
# The tests start the daemon through this launcher, which notes each start:
# no note, and the tests did not run the musl daemon.
launcher="$PWD/$musl/relaywatch-noted"
printf '#!/bin/sh\necho started >>"%s"\nexec "%s" "$@"\n' "$PWD/$musl/starts" "$daemon" >"$launcher"
chmod +x "$launcher"
rm -f "$musl/starts"
RELAYWATCH_TEST_DAEMON="$launcher" build/tests/relaywatch_tests --gtest_brief=1
if [ ! -s "$musl/starts" ]; then
  echo "FAILED: the tests did not start the daemon named by RELAYWATCH_TEST_DAEMON" >&2
  exit 1
fi
echo "musl: the static daemon passes the tests ($(wc -l <"$musl/starts") daemon starts)"
