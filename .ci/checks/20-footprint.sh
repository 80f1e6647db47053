#!/usr/bin/env bash
# SPDX-License-Identifier: ISC
# The size-optimised build (MinSizeRel) on the build machine: the whole test
# suite built that way, the footprint checks (the stripped daemon's bytes, its
# text + data, only the C library needed), and the install layout (daemon in
# sbin/, stripped, with the procd init script, its settings and the store
# template).
set -euo pipefail
cd "$(dirname "$0")/../.."

# shellcheck source=.ci/lib.sh
. .ci/lib.sh
ensure_deps footprint

build="build-ci-footprint"
rm -rf "$build"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_INSTALL_PREFIX=/usr \
  -DRELAYWATCH_INIT_SCRIPT=procd
cmake --build "$build" -j2

echo "-- footprint (x86-64, MinSizeRel)"
ctest --test-dir "$build" -R '^footprint\.' --output-on-failure -V | grep -E '^[0-9]+: (stripped|xz|text|needs)' || true
ctest --test-dir "$build" --output-on-failure -j2

echo "-- install"
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR="$root" cmake --install "$build"
daemon="$root/usr/sbin/relaywatch"
[ -x "$daemon" ] || { echo "footprint: cmake --install put no daemon in usr/sbin/" >&2; exit 1; }
if readelf -S "$daemon" | grep -q '\.symtab'; then
  echo "footprint: the installed daemon is not stripped" >&2
  exit 1
fi
[ -x "$root/usr/sbin/relaywatch-report" ] || { echo "footprint: no relaywatch-report in usr/sbin/" >&2; exit 1; }
if readelf -S "$root/usr/sbin/relaywatch-report" | grep -q '\.symtab'; then
  echo "footprint: the installed relaywatch-report is not stripped" >&2
  exit 1
fi
[ -x "$root/etc/init.d/relaywatch" ] || { echo "footprint: no init script in etc/init.d/" >&2; exit 1; }
[ -f "$root/etc/config/relaywatch" ] || { echo "footprint: no settings in etc/config/" >&2; exit 1; }
[ -f "$root/etc/relaywatch/nvram" ] || { echo "footprint: no store template in etc/relaywatch/" >&2; exit 1; }
(cd "$root" && find . -type f | sort | xargs ls -l)
