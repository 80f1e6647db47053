#!/usr/bin/env bash
# SPDX-License-Identifier: ISC
# The other two cross targets, little-endian MIPS and 32-bit ARM: the daemon
# builds with their toolchain files, needs only the C library, and its
# figures are printed. (Big-endian MIPS, tests and all: 30-mips-qemu.sh.)
set -euo pipefail
cd "$(dirname "$0")/../.."

# shellcheck source=.ci/lib.sh
. .ci/lib.sh
ensure_deps cross

for triple in mipsel-linux-gnu arm-linux-gnueabihf; do
  build="build-ci-$triple"
  rm -rf "$build"
  cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="cmake/toolchains/$triple.cmake" \
    -DCMAKE_BUILD_TYPE=MinSizeRel
  cmake --build "$build" -j2 --target relaywatch relaywatch-report
  echo "-- footprint ($triple, MinSizeRel)"
  ctest --test-dir "$build" -R '^footprint\.' --output-on-failure -V | grep -E '^[0-9]+: (stripped|xz|text|needs)' || true
  ctest --test-dir "$build" -R '^footprint\.' --output-on-failure
done
