#!/usr/bin/env bash
# SPDX-License-Identifier: ISC
# Static analysis of every C++ source in the house: the daemon (platform/,
# survey/, radio/, supervisor/), the simulator with its tests (sim/), the
# recording fake platform (testing/), the fuzz targets (fuzz/), the daemon's
# tests (tests/) and the benchmarks (bench/). clang-tidy with the checks in
# .clang-tidy, every warning an error, and cppcheck. Both must be clean.
set -euo pipefail
cd "$(dirname "$0")/../.."

# shellcheck source=.ci/lib.sh
. .ci/lib.sh
ensure_deps static

build="build-static"
jobs=$(nproc)
# With the tests, so that the compilation database holds the tests, the
# benchmarks (Google Benchmark is in the group) and the fuzz targets, built
# as the plain programs that run their corpus.
cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_EXPORT_COMPILE_COMMANDS=ON \
      -DBUILD_TESTING=ON -DRELAYWATCH_SIMULATOR=ON -DRELAYWATCH_FUZZ=OFF >/dev/null

# Every C++ source of the tree, tracked or new (not the ignored build trees);
# outside a git checkout, every one outside the build trees.
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t sources < <(git ls-files --cached --others --exclude-standard -- '*.cpp' | sort -u)
else
  mapfile -t sources < <(find . \( -path './build*' -o -path ./out \) -prune -o -name '*.cpp' -printf '%P\n' | sort)
fi
if [ "${#sources[@]}" -eq 0 ]; then
  echo "FAILED: no C++ sources found" >&2
  exit 1
fi

# Each of them must be compiled by some target: clang-tidy would otherwise
# guess its flags from a neighbour and a file nothing builds would pass
# unseen.
mapfile -t compiled < <(sed -n 's|^ *"file": *"\(.*\)",*$|\1|p' "$build/compile_commands.json" |
                         sed "s|^$(pwd -P)/||" | sort -u)
unbuilt=$(comm -23 <(printf '%s\n' "${sources[@]}") <(printf '%s\n' "${compiled[@]}"))
if [ -n "$unbuilt" ]; then
  echo "FAILED: no target of the $build configuration compiles these sources:" >&2
  printf '  %s\n' "$unbuilt" >&2
  exit 1
fi

# Both tools run whatever the other found, so that one run shows everything.
failed=()

echo "-- clang-tidy (${#sources[@]} files)"
SECONDS=0
status=0
printf '%s\n' "${sources[@]}" | xargs -P"$jobs" -n1 clang-tidy -p "$build" --quiet >"$build/clang-tidy.log" 2>&1 ||
  status=$?
# Keep the findings, drop the count of warnings in system headers.
grep -Ev '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$' "$build/clang-tidy.log" || true
echo "clang-tidy: ${SECONDS}s"
[ "$status" -eq 0 ] || failed+=(clang-tidy)

echo "-- cppcheck"
# Suppressed, and why:
#   useStlAlgorithm  lookup tables are walked by one plain loop, the
#       project's way of writing them.
#   unpreciseMathCall:sim/draw/timeline.cpp  the recovery bars' heights take
#       log(1 + count) of counts of 1 or more, where 1 + count is exact; log1p
#       would gain nothing and could move a drawn height by a last digit.
#   CastIntegerToAddressAtReturn:sim/syslog/log_read.cpp  cppcheck 2.10 takes
#       an element of a std::array of const char* (the month and weekday
#       names) for an integer.
#   unusedStructMember:*tests/*  the tests' case tables are read through
#       structured bindings, which cppcheck 2.10 does not count as reads.
SECONDS=0
cppcheck --enable=warning,style,performance,portability --std=c++20 --language=c++ \
         --library=googletest --inline-suppr --error-exitcode=1 --quiet -j"$jobs" -I . \
         --suppress=useStlAlgorithm \
         --suppress=unpreciseMathCall:sim/draw/timeline.cpp \
         --suppress=CastIntegerToAddressAtReturn:sim/syslog/log_read.cpp \
         --suppress='unusedStructMember:*tests/*' \
         --template='{file}:{line}: {severity} ({id}): {message}' \
         "${sources[@]}" || failed+=(cppcheck)
echo "cppcheck: ${SECONDS}s"

if [ "${#failed[@]}" -ne 0 ]; then
  echo "FAILED: ${failed[*]} reported the findings above" >&2
  exit 1
fi
echo "static analysis clean"
