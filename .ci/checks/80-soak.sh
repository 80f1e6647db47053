#!/usr/bin/env bash
# SPDX-License-Identifier: ISC
# Soak: the 30-day simulator scenario (scenarios/soak-30d.scn), run
#  1. built with AddressSanitizer, LeakSanitizer and UBSan, quiet and with
#     the debug lines on: no report, no leak at exit, and nothing that the
#     daemon was handed (simulated sockets, pipes, store texts, memory) left
#     unreleased at the end;
#  2. in a Release build under valgrind: no leak, no memory error, and the
#     same descriptors open at exit as at start (every descriptor still open
#     at exit was inherited).
set -euo pipefail
cd "$(dirname "$0")/../.."

scenario=scenarios/soak-30d.scn
if [ ! -f "$scenario" ] || [ ! -f sim/CMakeLists.txt ]; then
  echo "FAILED: $scenario or the simulator is missing" >&2
  exit 1
fi

# shellcheck source=.ci/lib.sh
. .ci/lib.sh
ensure_deps soak

# A run's summary must show the whole month and nothing left unreleased.
check_summary() {
  local out=$1
  if ! grep -q '^virtual time  *30d' "$out" || grep -Eq '^(left unreleased|relaywatch  )' "$out"; then
    cat "$out"
    echo "FAILED: the soak run did not end cleanly (see the summary above)" >&2
    exit 1
  fi
}

echo "-- 30 days under AddressSanitizer, LeakSanitizer and UBSan"
asan=build-soak-asan
cmake -S . -B "$asan" -DRELAYWATCH_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF -DRELAYWATCH_SIMULATOR=ON >/dev/null
cmake --build "$asan" -j2 --target relaywatch-sim
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
for args in "10 3" "10 3 debug"; do
  # shellcheck disable=SC2086  # the daemon's arguments, split on purpose
  if ! "$asan/sim/relaywatch-sim" --quiet "$scenario" $args >"$asan/soak.out" 2>"$asan/soak.err"; then
    tail -n 60 "$asan/soak.err"
    echo "FAILED: the sanitizer soak run ($args) failed" >&2
    exit 1
  fi
  check_summary "$asan/soak.out"
  echo "relaywatch $args: clean"
done
tail -n 4 "$asan/soak.out"

echo "-- 30 days under valgrind (leaks and file descriptors)"
rel=build-soak-valgrind
cmake -S . -B "$rel" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DRELAYWATCH_SIMULATOR=ON >/dev/null
cmake --build "$rel" -j2 --target relaywatch-sim
if ! valgrind --track-fds=yes --leak-check=full --show-leak-kinds=definite,indirect,possible \
      --errors-for-leak-kinds=definite,indirect,possible --error-exitcode=1 \
      "$rel/sim/relaywatch-sim" --quiet "$scenario" >"$rel/soak.out" 2>"$rel/valgrind.log"; then
  tail -n 80 "$rel/valgrind.log"
  echo "FAILED: valgrind reported errors or leaks" >&2
  exit 1
fi
check_summary "$rel/soak.out"
# Each descriptor open at exit is listed with where it was opened, or as
# inherited from the parent: any that this run opened is one too many.
if ! awk '/Open (file descriptor|AF_[A-Z0-9]* socket)/ { fd = $0; next }
          fd != "" { if ($0 !~ /inherited from parent/) { print fd; bad = 1 } fd = "" }
          END { exit bad }' "$rel/valgrind.log"; then
  grep -A4 'FILE DESCRIPTORS' "$rel/valgrind.log"
  echo "FAILED: descriptors opened during the soak were still open at exit" >&2
  exit 1
fi
grep -E 'FILE DESCRIPTORS|ERROR SUMMARY|definitely lost' "$rel/valgrind.log" | sed 's/^==[0-9]*== //'
echo "soak clean"
