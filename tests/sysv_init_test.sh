#!/usr/bin/env bash
# SPDX-License-Identifier: ISC
# The System V init script against a stand-in daemon in a temporary root:
# start, status, a second start, the daemon's output in the log at the right
# priorities, its own session, stop, and a stale pid file after the daemon
# died. The settings file named by RELAYWATCH_DEFAULTS points the script at
# the root; a recording logger on PATH stands in for syslog.
#
#   bash tests/sysv_init_test.sh packaging/sysv/relaywatch
set -euo pipefail

script=$(realpath "$1")
root=$(mktemp -d)
trap 'if [ -s "$root/run/relaywatch.pid" ]; then kill -9 "$(cat "$root/run/relaywatch.pid")" 2>/dev/null || true; fi; rm -rf "$root"' EXIT
mkdir -p "$root/bin" "$root/run" "$root/usr/sbin"

# The stand-in daemon: a line on each output, then it waits to be stopped.
cat >"$root/usr/sbin/relaywatch" <<'EOF'
#!/bin/sh
echo "relaywatch: Start (looptime=$1, sleeptime=$2)"
echo "relaywatch: on standard error" >&2
while :; do sleep 1; done
EOF
# The recording logger: "<priority> <tag> <line>" for each line it reads.
cat >"$root/bin/logger" <<EOF
#!/bin/sh
while getopts p:t: opt; do
	case \$opt in p) prio=\$OPTARG ;; t) tag=\$OPTARG ;; esac
done
while IFS= read -r line; do echo "\$prio \$tag \$line" >>"$root/syslog"; done
EOF
chmod +x "$root/usr/sbin/relaywatch" "$root/bin/logger"
cat >"$root/defaults" <<EOF
DAEMON=$root/usr/sbin/relaywatch
PIDFILE=$root/run/relaywatch.pid
PATH=$root/bin:$PATH
LOOPTIME=7
SLEEPTIME=2
EOF
export RELAYWATCH_DEFAULTS="$root/defaults"

failures=0
fail() {
	echo "FAIL: $*" >&2
	failures=$((failures + 1))
}

# expect <exit status> <output pattern> <action>
expect() {
	local want=$1 pattern=$2 out status=0
	shift 2
	out=$(sh "$script" "$@" 2>&1) || status=$?
	[ "$status" = "$want" ] || fail "$*: exit status $status, not $want ($out)"
	[[ $out =~ $pattern ]] || fail "$*: '$out' does not match '$pattern'"
}

expect 3 'not running' status
expect 0 'relaywatch started \(pid [0-9]+\)' start
pid=$(cat "$root/run/relaywatch.pid")
expect 0 "running \\(pid $pid\\)" status
expect 0 "already running \\(pid $pid\\)" start
[ "$(cat "$root/run/relaywatch.pid")" = "$pid" ] || fail "a second start changed the pid file"
grep -qF "$root/usr/sbin/relaywatch" "/proc/$pid/cmdline" || fail "the pid file does not name the daemon"

# Its own session, not this test's.
session() { sed 's/^.*) //' "/proc/$1/stat" | cut -d' ' -f4; }
[ "$(session "$pid")" != "$(session $$)" ] || fail "the daemon shares the caller's session"

for _ in 1 2 3 4 5 6 7 8 9 10; do
	[ -f "$root/syslog" ] && [ "$(wc -l <"$root/syslog")" -ge 2 ] && break
	sleep 0.5
done
grep -qxF 'daemon.info relaywatch relaywatch: Start (looptime=7, sleeptime=2)' "$root/syslog" ||
	fail "standard output did not reach the log as daemon.info"
grep -qxF 'daemon.err relaywatch relaywatch: on standard error' "$root/syslog" ||
	fail "standard error did not reach the log as daemon.err"

expect 0 'relaywatch stopped' stop
kill -0 "$pid" 2>/dev/null && fail "the daemon still runs after stop"
[ ! -e "$root/run/relaywatch.pid" ] || fail "stop left the pid file"
expect 3 'not running' status
expect 0 'not running' stop

# A daemon that died leaves its pid file: dead, not running; a start
# replaces the stale file.
expect 0 'started' start
kill -9 "$(cat "$root/run/relaywatch.pid")"
sleep 0.5
expect 1 'dead, but its pid file' status
expect 0 'started' start
expect 0 'running' status
expect 0 'stopped' stop

# A daemon that ends at start-up: start fails, status says dead.
printf '#!/bin/sh\necho "relaywatch: error, not repeater mode!"\n' >"$root/usr/sbin/relaywatch"
expect 1 'ended at start-up' start
expect 1 'dead' status
grep -qxF 'daemon.info relaywatch relaywatch: error, not repeater mode!' "$root/syslog" ||
	fail "the start-up error did not reach the log"

if [ "$failures" -ne 0 ]; then
	echo "$failures failures" >&2
	exit 1
fi
echo "sysv init script: all checks passed"
