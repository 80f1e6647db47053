#!/usr/bin/env bash
# SPDX-License-Identifier: ISC
# The system calls of the daemon's steady passes (uplink up, no recovery),
# counted with strace -c.
#
#   tools/steady-state.sh [DAEMON] [SECONDS]
#
# DAEMON defaults to build/relaywatch (built with the stand-in store). The
# daemon runs with stand-in tools on PATH (iwgetid, iwpriv, ifconfig) and a
# preloaded shim that lets the connect-status request go to the kernel and
# then answers it with 1, so the uplink reads as up. Once the start-up
# recovery and the gate's "AP enable" are behind it, strace attaches for
# SECONDS (default 5) and prints the count of each system call; the number of
# sleeps is the number of passes.
set -euo pipefail

daemon=$(realpath "${1:-build/relaywatch}")
# The gate's line, as the daemon's messages.h writes it.
ap_enable=$(sed -n 's/^#define RW_MSG_AP_ENABLE "\(.*\)\\n"$/\1/p' "$(dirname "$0")/../platform/messages.h")
[ -n "$ap_enable" ] || { echo "steady-state: no RW_MSG_AP_ENABLE in platform/messages.h" >&2; exit 1; }
seconds=${2:-5}
for tool in strace cc; do
  command -v "$tool" >/dev/null || { echo "steady-state: $tool is needed" >&2; exit 1; }
done
[ -x "$daemon" ] || { echo "steady-state: no daemon at $daemon" >&2; exit 1; }

work=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# The uplink is up: the request still reaches the kernel (and is refused
# there, as on any machine without the driver), then reads as 1.
cat >"$work/uplink_up.c" <<'SHIM'
#define _GNU_SOURCE
#include <dlfcn.h>
#include <linux/wireless.h>
#include <stdarg.h>
#include <string.h>
#include <sys/ioctl.h>

int ioctl(int fd, unsigned long request, ...) {
    va_list args;
    va_start(args, request);
    void* arg = va_arg(args, void*);
    va_end(args);
    int (*real)(int, unsigned long, ...) = (int (*)(int, unsigned long, ...))dlsym(RTLD_NEXT, "ioctl");
    int rc = real(fd, request, arg);
    if (request == SIOCIWFIRSTPRIV + 1) {
        struct iwreq* req = (struct iwreq*)arg;
        int up = 1;
        if (req->u.data.pointer != NULL && req->u.data.length >= sizeof up)
            memcpy(req->u.data.pointer, &up, sizeof up);
        return 0;
    }
    return rc;
}
SHIM
cc -shared -fPIC -O2 -o "$work/uplink_up.so" "$work/uplink_up.c" -ldl

mkdir "$work/bin"
cat >"$work/bin/iwgetid" <<'TOOL'
#!/bin/sh
echo 'ra0       Channel:6'
TOOL
cat >"$work/bin/iwpriv" <<'TOOL'
#!/bin/sh
# An empty survey: the recovery at start finds nothing to change.
if [ "$2" = get_site_survey ]; then
  echo 'ra0       get_site_survey:'
  echo 'Ch  SSID                             BSSID               Security               Siganl(%)W-Mode  ExtCH  NT WPS'
fi
exit 0
TOOL
cat >"$work/bin/ifconfig" <<'TOOL'
#!/bin/sh
exit 0
TOOL
chmod +x "$work/bin/"*
cat >"$work/nvram" <<'STORE'
OperationMode=3
ApCliEnable=1
ApCliSsid=upstream
ApCliBssid=
ApCliAuthMode=WPA2PSK
ApCliEncrypType=AES
AuthMode=WPA2PSK
EncrypType=AES
HT_EXTCHA=1
STORE

# looptime 10, sleeptime 0, no debug: a steady pass prints nothing.
PATH="$work/bin:$PATH" RELAYWATCH_NVRAM="$work/nvram" LD_PRELOAD="$work/uplink_up.so" \
  "$daemon" 10 0 >"$work/out.txt" 2>&1 &
pid=$!

# The start-up recovery (a survey with its 4-second wait), then five samples
# of 1 before the gate brings ra0 up.
for _ in $(seq 1 30); do
  grep -qF "$ap_enable" "$work/out.txt" 2>/dev/null && break
  sleep 1
done
grep -qF "$ap_enable" "$work/out.txt" || { echo "steady-state: the daemon never enabled the AP:" >&2; cat "$work/out.txt" >&2; exit 1; }
sleep 1

timeout -s INT "$seconds" strace -q -c -p "$pid" -o "$work/counts.txt" || true
cat "$work/counts.txt"

# Per pass: each count divided by the number of sleeps. A sleep that strace
# came into is finished by restart_syscall: that one counts as a sleep.
awk '
  $1 !~ /^[0-9.]+$/ || $NF == "total" { next }
  { name[++n] = $NF; calls[n] = $4 }
  $NF == "clock_nanosleep" || $NF == "nanosleep" || $NF == "restart_syscall" { passes += $4 }
  END {
    if (passes == 0) { print "steady-state: no sleep seen"; exit 1 }
    printf "\n%d passes; system calls per pass:\n", passes
    for (i = 1; i <= n; i++) {
      if (name[i] == "restart_syscall") continue
      count = calls[i]
      if (name[i] ~ /nanosleep$/) count += restarts
      printf "  %-16s %.2f\n", name[i], count / passes
    }
  }' restarts="$(awk '$NF == "restart_syscall" { print $4 }' "$work/counts.txt")" "$work/counts.txt"
