#!/usr/bin/env bash
# SPDX-License-Identifier: ISC
# The daemon alone: configured with RELAYWATCH_SIMULATOR=OFF, on the build
# machine and as the big-endian MIPS cross build, the daemon, its tests, the
# benchmarks and the fuzz targets build, and nothing of the simulator does:
# no source under sim/ is compiled, no relaywatch-sim comes out.
# (With the simulator, the default, 30-mips-qemu.sh runs its tests on MIPS.)
set -euo pipefail
cd "$(dirname "$0")/../.."

# shellcheck source=.ci/lib.sh
. .ci/lib.sh
ensure_deps test mips

# Fails, naming them, if the build tree $1 compiled anything under sim/ or
# holds a simulator program; fails unless the daemon and its tests are there.
check_daemon_alone() {
  local build=$1 found
  [ -f "$build/compile_commands.json" ] || { echo "FAILED: $build has no compile_commands.json" >&2; exit 1; }
  found=$({
    grep -F "\"file\": \"$(pwd -P)/sim/" "$build/compile_commands.json" || true
    find "$build" \( -name 'relaywatch-sim*' -o -name 'relaywatch_sim*' -o -path '*/sim/*.o' \) -print
  } | sort -u)
  if [ -n "$found" ]; then
    printf '%s\n' "$found" >&2
    echo "FAILED: $build built the simulator (the above) with RELAYWATCH_SIMULATOR=OFF" >&2
    exit 1
  fi
  local program
  for program in relaywatch tests/relaywatch_tests tests/relaywatch_host_tests fuzz/fuzz_survey_row; do
    [ -x "$build/$program" ] || { echo "FAILED: $build has no $program" >&2; exit 1; }
  done
  echo "$build: the daemon, its tests and the fuzz targets, nothing of the simulator"
}

native="build-ci-nosim"
rm -rf "$native"
cmake -S . -B "$native" -DRELAYWATCH_SIMULATOR=OFF -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
cmake --build "$native" -j2
check_daemon_alone "$native"

mips="build-ci-nosim-mips"
rm -rf "$mips"
cmake -S . -B "$mips" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mips-linux-gnu.cmake \
  -DCMAKE_BUILD_TYPE=MinSizeRel -DRELAYWATCH_SIMULATOR=OFF -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
cmake --build "$mips" -j2
check_daemon_alone "$mips"
