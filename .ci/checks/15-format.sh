#!/usr/bin/env bash
# SPDX-License-Identifier: ISC
# The house style and the licence line: every C++ file as .clang-format
# formats it, and every file of code (C++, CMake, shell) with its SPDX line
# among its first three lines.
set -euo pipefail
cd "$(dirname "$0")/../.."

# shellcheck source=.ci/lib.sh
. .ci/lib.sh
ensure_deps format

echo "-- clang-format $(clang-format --version | grep -o '[0-9][0-9.]*' | head -1)"
mapfile -t sources < <(git ls-files '*.cpp' '*.h')
clang-format --dry-run --Werror --style=file "${sources[@]}" || {
  echo "FAILED: the files above are not as .clang-format formats them (clang-format -i FILE)" >&2
  exit 1
}

echo "-- SPDX lines"
missing=0
while IFS= read -r file; do
  case $file in
    samples/* | scenarios/* | fuzz/corpus/*) continue ;;
    *.cpp | *.h | *.h.in | *.cmake | */CMakeLists.txt | CMakeLists.txt | *.sh | .ci/run | tools/deps | \
      packaging/procd/relaywatch | packaging/sysv/relaywatch | tests/tools/*) ;;
    *) continue ;;
  esac
  if ! head -n 3 "$file" | grep -q 'SPDX-License-Identifier: ISC'; then
    echo "$file: no SPDX-License-Identifier line among its first three lines" >&2
    missing=$((missing + 1))
  fi
done < <(git ls-files)
if [ "$missing" -ne 0 ]; then
  echo "FAILED: $missing files of code without their SPDX line" >&2
  exit 1
fi
echo "format and licence lines clean"
