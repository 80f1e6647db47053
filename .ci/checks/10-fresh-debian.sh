#!/usr/bin/env bash
# SPDX-License-Identifier: ISC
# The README's two set-up commands, read from README.md and run as they
# stand, each in a brand-new minimal Debian 12 root (debootstrap
# --variant=minbase bookworm: no compiler, no make, no cmake) holding the
# committed files of HEAD, as root. Each must install what it needs and pass;
# run a second time in the same root it must install nothing and pass again.
# Prints each run's wall time.
#
# The base root is made once and kept as a tarball in $RELAYWATCH_FRESH_CACHE
# (default /var/cache/relaywatch-ci); RELAYWATCH_FRESH_REFRESH=1 makes it
# anew. The Debian mirror is the one in this machine's apt sources, or
# $RELAYWATCH_FRESH_MIRROR. Output of each run: build-ci-fresh/run-N.log.
# Needs root (debootstrap, mount, chroot); uses sudo when it is not.
set -euo pipefail
cd "$(dirname "$0")/../.."

if [ "$(id -u)" != 0 ]; then
  command -v sudo >/dev/null || { echo "fresh-debian: needs root (debootstrap, mount, chroot)" >&2; exit 1; }
  exec sudo --preserve-env=RELAYWATCH_FRESH_CACHE,RELAYWATCH_FRESH_REFRESH,RELAYWATCH_FRESH_MIRROR,RELAYWATCH_FRESH_TIMEOUT \
    bash "$0" "$@"
fi

# shellcheck source=.ci/lib.sh
. .ci/lib.sh
commands=$(readme_commands README.md)
mapfile -t command <<<"$commands"
ensure_deps fresh

suite=bookworm
cache=${RELAYWATCH_FRESH_CACHE:-/var/cache/relaywatch-ci}
tarball=$cache/$suite-minbase.tar.gz
limit=${RELAYWATCH_FRESH_TIMEOUT:-3600}
logs=build-ci-fresh
rm -rf "$logs"
mkdir -p "$cache" "$logs"
logs=$(realpath "$logs")

# The first http(s) mirror of a plain Debian suite (no -updates, no
# -security) among the enabled "deb" sources, one-line or deb822 style.
apt_mirror() {
  local f
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    sed -E 's/^[[:space:]]*deb[[:space:]]+\[[^]]*\]/deb/' "$f" |
      awk '$1 == "deb" && $2 ~ /^https?:\/\// && $3 ~ /^[a-z]+$/ { print $2 }'
  done
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk 'BEGIN { RS = ""; FS = "\n" }
      { uri = ""; deb = plain = 0; on = 1
        for (i = 1; i <= NF; i++) {
          n = split($i, w, /[ \t]+/)
          if (w[1] == "URIs:" && w[2] ~ /^https?:\/\//) uri = w[2]
          if (w[1] == "Enabled:" && w[2] == "no") on = 0
          for (j = 2; j <= n; j++) {
            if (w[1] == "Types:" && w[j] == "deb") deb = 1
            if (w[1] == "Suites:" && w[j] ~ /^[a-z]+$/) plain = 1
          }
        }
        if (on && deb && plain && uri != "") print uri }' "$f"
  done
}

# Everything below DIR that is mounted, deepest first.
mounts_under() {
  awk -v top="$1/" 'index($2, top) == 1 { print $2 }' /proc/self/mounts | sort -r
}

# Ends what still runs inside DIR, unmounts what is mounted below it and
# deletes it; leaves it in place when a mount will not go.
teardown() {
  local dir=$1 proc mnt
  [ -n "$dir" ] && [ -d "$dir" ] || return 0
  for proc in /proc/[0-9]*; do
    case $(readlink "$proc/root" 2>/dev/null) in
      "$dir"/*) kill -9 "${proc#/proc/}" 2>/dev/null || true ;;
    esac
  done
  while read -r mnt; do
    [ -n "$mnt" ] || continue
    umount "$mnt" 2>/dev/null || umount -l "$mnt"
  done < <(mounts_under "$dir")
  if [ -n "$(mounts_under "$dir")" ]; then
    echo "fresh-debian: mounts remain under $dir; left it in place" >&2
    return 1
  fi
  rm -rf --one-file-system "$dir"
}

work=''
trap 'teardown "$work"' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

make_base() {
  local mirror=${RELAYWATCH_FRESH_MIRROR:-$(apt_mirror | sed -n 1p)}
  mirror=${mirror:-http://deb.debian.org/debian}
  local extra=()
  # An https mirror needs the certificates inside the root as well.
  case $mirror in https:*) extra=(--include=ca-certificates) ;; esac
  echo "-- making the base root: debootstrap --variant=minbase $suite from $mirror"
  work=$(mktemp -d /tmp/relaywatch-fresh-base.XXXXXX)
  local t0=$SECONDS
  if ! debootstrap --variant=minbase "${extra[@]}" "$suite" "$work/root" "$mirror" >"$logs/debootstrap.log" 2>&1; then
    tail -n 30 "$logs/debootstrap.log"
    echo "FAILED: debootstrap could not make the base root" >&2
    exit 1
  fi
  # A machine just installed: no package lists yet, no downloaded packages.
  rm -rf "$work"/root/var/lib/apt/lists/* "$work"/root/var/cache/apt/archives/*.deb
  tar --numeric-owner -C "$work/root" -czf "$work/base.tar.gz" .
  mv "$work/base.tar.gz" "$tarball"
  teardown "$work"
  work=''
  echo "   made in $((SECONDS - t0)) s, kept as $tarball"
}

exec 9>"$cache/$suite.lock"
flock 9
if [ ! -f "$tarball" ] || [ "${RELAYWATCH_FRESH_REFRESH:-0}" = 1 ]; then
  make_base
fi
exec 9>&-

# HEAD as it is now, so that a commit while the check runs changes nothing.
head=$(git rev-parse --verify HEAD)
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  echo "note: uncommitted changes stay behind; the fresh roots get HEAD ($head)"
fi

# A fresh root in $work/root holding $head in /root/relaywatch, with this
# machine's name resolution and apt proxy settings, /proc, /sys and /dev.
fresh_root() {
  work=$(mktemp -d /tmp/relaywatch-fresh.XXXXXX)
  case $work in *[[:space:]]*) echo "fresh-debian: blanks in $work" >&2; exit 1 ;; esac
  local r=$work/root
  mkdir "$r"
  tar --numeric-owner -xpzf "$tarball" -C "$r"
  mkdir "$r/root/relaywatch"
  git archive --format=tar "$head" | tar -x -C "$r/root/relaywatch"
  cp -L /etc/resolv.conf "$r/etc/resolv.conf"
  { grep -lis 'proxy' /etc/apt/apt.conf.d/* || true; } | xargs -r cp -t "$r/etc/apt/apt.conf.d/"
  # No service starts inside the root when a package is installed.
  printf '#!/bin/sh\nexit 101\n' >"$r/usr/sbin/policy-rc.d"
  chmod 755 "$r/usr/sbin/policy-rc.d"
  mount -t proc proc "$r/proc"
  local d
  for d in sys dev; do
    mount --rbind "/$d" "$r/$d"
    mount --make-rslave "$r/$d"
  done
}

# Runs a command in the root as root in a login shell, from the project's
# top, with nothing of this machine's environment; output to log $2. Sets
# $installed to the seconds taken until the last line of tools/deps.
in_root() {
  local t0=$SECONDS line
  installed=0
  env -i HOME=/root USER=root LOGNAME=root SHELL=/bin/bash TERM=dumb \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    timeout -k 10 "$limit" chroot "$work/root" /bin/bash -lc "cd /root/relaywatch && $1" \
    </dev/null 2>&1 | {
    while IFS= read -r line; do
      case $line in deps:*) echo $((SECONDS - t0)) >"$2.deps" ;; esac
      printf '%s\n' "$line"
    done >"$2"
  }
  local status=$?
  if [ -f "$2.deps" ]; then installed=$(cat "$2.deps"); fi
  return "$status"
}

report=()
for i in 0 1; do
  cmd=${command[$i]}
  fresh_root
  for round in first again; do
    log=$logs/run-$((i + 1))-$round.log
    echo "-- [$((i + 1))/2, $round] $cmd"
    t0=$SECONDS
    status=0
    in_root "$cmd" "$log" || status=$?
    took=$((SECONDS - t0))
    if [ "$status" -ne 0 ]; then
      tail -n 40 "$log"
      echo "FAILED: the README's command $((i + 1)) exited $status after $took s in a fresh Debian $suite root (log: $log)" >&2
      exit 1
    fi
    grep -E '^deps: ' "$log" || true
    if [ "$round" = again ] && grep -qE '^deps: .*: installing ' "$log"; then
      echo "FAILED: run again, the README's command $((i + 1)) installed packages again (log: $log)" >&2
      exit 1
    fi
    tail -n 3 "$log" | sed 's/^/   | /'
    report+=("$(printf '  [%d] %-5s %4d s (packages %3d s, the rest %4d s)  %s' $((i + 1)) "$round" \
      "$took" "$installed" $((took - installed)) "$cmd")")
  done
  teardown "$work"
  work=''
done

echo "fresh Debian $suite (minbase), wall time of each README command as root:"
printf '%s\n' "${report[@]}"
