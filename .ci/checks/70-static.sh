#!/usr/bin/env bash
# Static analysis of the daemon's sources (platform/, survey/, radio/,
# supervisor/): clang-tidy with the checks in .clang-tidy, every warning an
# error, and cppcheck. Both must be clean.
set -euo pipefail
cd "$(dirname "$0")/../.."

# shellcheck source=.ci/lib.sh
. .ci/lib.sh
ensure_deps static

build=build-static
cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_EXPORT_COMPILE_COMMANDS=ON \
      -DBUILD_TESTING=OFF >/dev/null

sources=(platform/*.cpp survey/*.cpp radio/*.cpp supervisor/*.cpp)

echo "-- clang-tidy"
status=0
printf '%s\n' "${sources[@]}" | xargs -P2 -n1 clang-tidy -p "$build" --quiet >"$build/clang-tidy.log" 2>&1 ||
  status=$?
# Keep the findings, drop the count of warnings in system headers.
grep -Ev '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$' "$build/clang-tidy.log" || true
if [ "$status" -ne 0 ]; then
  echo "FAILED: clang-tidy reported the findings above" >&2
  exit 1
fi

echo "-- cppcheck"
# Suppressed, and why:
#   useStlAlgorithm  lookup tables are walked by one plain loop, the
#       project's way of writing them.
#   uninitMemberVar:platform/io.h  CommandOutput's read buffer is filled by
#       each read before any of it is used (pos and end start at 0).
cppcheck --enable=warning,style,performance,portability --std=c++20 --language=c++ \
         --inline-suppr --error-exitcode=1 --quiet -I . \
         --suppress=useStlAlgorithm \
         --suppress=uninitMemberVar:platform/io.h \
         --template='{file}:{line}: {severity} ({id}): {message}' \
         platform survey radio supervisor || {
  echo "FAILED: cppcheck reported the findings above" >&2
  exit 1
}
echo "static analysis clean"
