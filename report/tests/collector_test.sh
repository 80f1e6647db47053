#!/usr/bin/env bash
# SPDX-License-Identifier: ISC
# relaywatch-report on a router's tools: BusyBox as /bin/sh (bound over it
# in a mount namespace of its own) and as every command, with stand-ins for
# iwpriv, iwgetid and logread; once with the stand-in store file and once
# with a store library. Secrets planted in the store and the log (every
# secret key, a key changed since it was logged, a five-character WEP key)
# and a hostile SSID: none of the secrets is anywhere in the bundle, nothing
# of the SSID ran, and the redacted log replays with the original's figures.
#
# collector_test.sh SOURCE_DIR WORK_DIR COLLECTOR COLLECTOR_WITH_STORE_LIBRARY SIM
set -euo pipefail
src=$1 work=$2 collector=$3 library_collector=$4 sim=$5
busybox=$(command -v busybox) || { echo "collector test: no busybox (tools/deps test)" >&2; exit 1; }
unshare=$(command -v unshare) mount=$(command -v mount)
# BusyBox goes over /bin/sh in a private mount namespace only: where none can
# be made (not root, or a chroot whose / is no mount point), the test is
# skipped rather than run on the host's own /bin/sh.
if ! "$unshare" -m true 2>/dev/null; then
  echo "collector test: skipped: no private mount namespace here (needs root, outside a chroot)"
  exit 77
fi

rm -rf "$work"
mkdir -p "$work/bin"
export REPORT_TEST_DIR=$work
for applet in sh cat sed grep head tail tr ls sleep; do ln -s "$busybox" "$work/bin/$applet"; done
cp "$src"/report/tests/standins/* "$work/bin/"

psk='Tr0ub4dor&3x' wep='Zq9#x' client='cl1ent-s3cret' client_wep='9f8e7d6c5b' old_key='0ld-k3y'
# shellcheck disable=SC2016  # never to be expanded
hostile='x$(touch '"$work"'/ran)`touch '"$work"'/ran`;touch '"$work/ran"$'\e[31m'
cat >"$work/nvram" <<STORE
OperationMode=3
ApCliEnable=1
ApCliSsid=$hostile
ApCliAuthMode=WPA2PSK
ApCliEncrypType=AES
AuthMode=WPA2PSK
EncrypType=AES
HT_EXTCHA=1
SSID1=$hostile
HT_BW=1
WPAPSK1=$psk
DefaultKeyID=1
Key1Str1=$wep
ApCliWPAPSK=$client
ApCliKey1Str=$client_wep
ApCliSSID=typo
STORE
printf 'ra0       get_site_survey:\n6   30 %-32s 00:11:22:33:44:55   WPA2PSK/AES            78       11b/g/n ABOVE  In NO\n' \
  "$hostile" >"$work/survey.txt"

# The log: a run of the simulator with the debug lines, and lines planted
# after it that carry the secrets.
"$sim" --quiet --syslog "$work/run.log" "$src/scenarios/security-change.scn" 10 3 debug >/dev/null
{
  cat "$work/run.log"
  echo "Thu Jan  1 00:20:00 2026 daemon.info relaywatch[1234]: Invalid Key=$old_key"
  echo "Thu Jan  1 00:20:01 2026 kern.info kernel: apcli0: 4-way handshake with $client failed"
  echo "Thu Jan  1 00:20:02 2026 daemon.info hostapd: ra0: WPS pin ($psk) and key $wep/$client_wep"
  echo "Thu Jan  1 00:20:03 2026 daemon.info dnsmasq-dhcp[9]: DHCPACK 192.168.1.5 laptop-$psk"
} >"$work/system.log"

failures=0
fail() {
  echo "FAILED: collector: $*" >&2
  failures=$((failures + 1))
}

# collect NAME COLLECTOR [ARG...]: the bundle in $work/NAME.bundle, under BusyBox.
collect() {
  local name=$1
  shift
  # shellcheck disable=SC2016  # expanded by the shell started here
  if ! env -i PATH="$work/bin" REPORT_TEST_DIR="$work" RELAYWATCH_NVRAM="$work/nvram" \
      "$unshare" -m "$BASH" -c '"$0" --bind "$1" /bin/sh && shift && exec "$@"' "$mount" "$busybox" "$@" \
      -o "$work/$name.bundle" 2>"$work/$name.err"; then
    fail "$name: the collector failed: $(cat "$work/$name.err")"
  fi
}

# section BUNDLE NAME: the section's text, by its length.
section() {
  local line length
  line=$(grep -n "^--- section $2 " "$1" | head -n 1) || return 0
  length=$(cut -d ' ' -f 4 <<<"${line#*:}")
  tail -n +"$((${line%%:*} + 1))" "$1" | head -c "$length"
}

# With every program's lines, so that the log replays as a whole.
collect file "$collector" --scan --all-log
collect library "$library_collector"
rm "$work/bin/logread"
collect nolog "$collector"

for name in file library nolog; do
  bundle="$work/$name.bundle"
  # The page and the terminal text made of the bundle, too.
  "$sim" report "$bundle" -o "$work/$name.html" >"$work/$name.txt" || fail "$name: no page made of the bundle"
  for secret in "$psk" "$wep" "$client" "$client_wep" "$old_key" $'\e'; do
    for made in "$bundle" "$work/$name.html" "$work/$name.txt"; do
      ! grep -qF -- "$secret" "$made" || fail "$name: a secret is in $made: $(grep -nF -- "$secret" "$made")"
    done
  done
  grep -qxF 'WPAPSK1=[secret: 12 printable]' "$bundle" || fail "$name: the PSK is not described"
  grep -qxF 'Key1Str1=[secret: 5 printable]' "$bundle" || fail "$name: the WEP key is not described"
  # shellcheck disable=SC2016  # the SSID's own text
  grep -qF 'SSID1=x$(touch' "$bundle" || fail "$name: the hostile SSID is not shown as it is"
  [ ! -e "$work/ran" ] || fail "$name: something of the hostile SSID ran"
  grep -qxF 'ra0 channel: 6' "$bundle" || fail "$name: no channel of ra0"
done
grep -qxF 'ApCliSSID' "$work/file.bundle" || fail "file: the near miss ApCliSSID is not among store-names"
grep -qF 'survey age: 4 s' "$work/file.bundle" || fail "file: --scan's survey age is not said"
grep -qF 'store-names: failed, a store library cannot list its keys' "$work/library.bundle" ||
  fail "library: the bundle does not say the store library cannot list its keys"
grep -qF 'logread: failed' "$work/nolog.bundle" || fail "nolog: the missing logread is not said"
! grep -qF dnsmasq "$work/library.bundle" || fail "library: another program's line is in the bundle"

# The redacted log replays with the original's figures: the same but for the
# log's name and the invalid key's text.
section "$work/file.bundle" log >"$work/redacted.log"
grep -qF 'hostapd: ra0: WPS pin ([secret: 12 printable]) and key [secret: 5 printable]/[secret: 10 hex]' \
  "$work/redacted.log" || fail "file: the hostapd line is not redacted word by word"
figures() { "$sim" replay "$1" | tail -n +2 | sed 's/Invalid Key=.*/Invalid Key=.../'; }
diff <(figures "$work/system.log") <(figures "$work/redacted.log") || fail "the redacted log replays otherwise"

if [ "$failures" -ne 0 ]; then
  echo "FAILED: collector: $failures finding(s)" >&2
  exit 1
fi
echo "collector: no secret in any bundle or its page, nothing ran, the log replays alike"
