#!/usr/bin/env bash
# SPDX-License-Identifier: ISC
# The install instruction on a default build (RelWithDebInfo) with the
# System V init script, into a DESTDIR: a stripped daemon and collector
# (relaywatch-report) in usr/sbin, the init script and its settings, the
# commented store template; a second install keeps a store file and
# settings edited in between.
#
#   bash tests/install_test.sh <source dir> <scratch dir> [cmake option...]
set -euo pipefail

src=$1 scratch=$2
shift 2
build="$scratch/build" root="$scratch/rootfs"
rm -rf "$scratch"
mkdir -p "$scratch"

cmake -S "$src" -B "$build" -DRELAYWATCH_INIT_SCRIPT=sysv "$@" >"$scratch/configure.log"
cmake --build "$build" -j2 --target relaywatch relaywatch-report >"$scratch/build.log"
DESTDIR="$root" cmake --install "$build" --strip

failures=0
fail() {
	echo "FAIL: $*" >&2
	failures=$((failures + 1))
}

daemon="$root/usr/sbin/relaywatch"
[ -x "$daemon" ] || fail "no daemon in usr/sbin/"
if readelf -S "$daemon" | grep -Eq '\.(symtab|debug_info)'; then
	fail "the installed daemon is not stripped"
fi
collector="$root/usr/sbin/relaywatch-report"
[ -x "$collector" ] || fail "no relaywatch-report in usr/sbin/"
if readelf -S "$collector" | grep -Eq '\.(symtab|debug_info)'; then
	fail "the installed relaywatch-report is not stripped"
fi
[ -x "$root/etc/init.d/relaywatch" ] || fail "no init script in etc/init.d/"
cmp -s "$src/packaging/sysv/relaywatch" "$root/etc/init.d/relaywatch" || fail "etc/init.d/relaywatch is not the System V script"
[ -f "$root/etc/default/relaywatch" ] || fail "no settings in etc/default/"
cmp -s "$src/packaging/nvram" "$root/etc/relaywatch/nvram" || fail "etc/relaywatch/nvram is not the store template"

echo "OperationMode=3" >>"$root/etc/relaywatch/nvram"
echo "LOOPTIME=20" >>"$root/etc/default/relaywatch"
cp "$root/etc/relaywatch/nvram" "$scratch/nvram.edited"
cp "$root/etc/default/relaywatch" "$scratch/default.edited"
DESTDIR="$root" cmake --install "$build" --strip >"$scratch/install2.log"
cmp -s "$scratch/nvram.edited" "$root/etc/relaywatch/nvram" || fail "a second install replaced the edited store file"
cmp -s "$scratch/default.edited" "$root/etc/default/relaywatch" || fail "a second install replaced the edited settings"
grep -q "Keeping: $root/etc/relaywatch/nvram" "$scratch/install2.log" || fail "the second install did not say it kept the store file"

(cd "$root" && find . -type f | sort | xargs ls -l)
if [ "$failures" -ne 0 ]; then
	echo "$failures failures" >&2
	exit 1
fi
echo "install: stripped daemon, init script, store template; edited files kept"
