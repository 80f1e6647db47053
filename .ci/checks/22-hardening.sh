#!/usr/bin/env bash
# SPDX-License-Identifier: ISC
# The daemon's defences (cmake/hardening.cmake), read from the built files
# with readelf (the daemon's and the collector relaywatch-report's): the daemon alone built in each build type, then
#   - as the project builds it: a position-independent executable (ET_DYN,
#     FLAGS_1 PIE), full RELRO (a GNU_RELRO segment and BIND_NOW), the stack
#     protector (__stack_chk_fail imported), the fortified C library calls
#     (__*_chk imported) where the build optimises, a non-executable stack
#     (GNU_STACK without E), and only the C library needed (with, on MIPS
#     and ARM, its dynamic loader, the daemon's interpreter);
#   - with Debian's hardening flags, passed as debhelper does (CXXFLAGS with
#     CPPFLAGS appended, LDFLAGS): the same, every build type optimised;
#   - with RELAYWATCH_FIXED_ADDRESS=ON: the same but a fixed-address
#     executable (ET_EXEC);
# and a packager's own _FORTIFY_SOURCE: level 3 reaches the daemon's
# sources unchanged, and a Debug build at -O0 with -D_FORTIFY_SOURCE=2 builds.
# checksec's line is printed for each daemon.
set -euo pipefail
cd "$(dirname "$0")/../.."

# shellcheck source=.ci/lib.sh
. .ci/lib.sh
ensure_deps hardening

root=build-ci-hardening
rm -rf "$root"
mkdir -p "$root"
types=(Debug Release RelWithDebInfo MinSizeRel)
failures=()

fail() {
  echo "FAILED: hardening: $1" >&2
  failures+=("$1")
}

# The packager's flags of the next builds, as the environment gives them to
# CMake; none (whatever CI's environment holds) for the project's own.
cxxflags=''
ldflags=''

# build NAME TYPE [CMAKE OPTION...]: configures and builds the daemon alone
# in $root/NAME with $cxxflags and $ldflags; prints the daemon's path.
build() {
  local dir="$root/$1" type=$2
  shift 2
  local -a flags=(-u CXXFLAGS -u CPPFLAGS -u LDFLAGS)
  [ -z "$cxxflags" ] || flags+=("CXXFLAGS=$cxxflags")
  [ -z "$ldflags" ] || flags+=("LDFLAGS=$ldflags")
  if ! env "${flags[@]}" cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE="$type" -DBUILD_TESTING=OFF \
        -DCMAKE_EXPORT_COMPILE_COMMANDS=ON "$@" >"$dir.log" 2>&1 ||
     ! cmake --build "$dir" -j2 --target relaywatch relaywatch-report >>"$dir.log" 2>&1; then
    tail -n 40 "$dir.log" >&2
    return 1
  fi
  echo "$dir/relaywatch"
}

# verify NAME DAEMON PIE FORTIFIED: each defence read from the file; PIE and
# FORTIFIED are yes or no.
verify() {
  local name=$1 daemon=$2 pie=$3 fortified=$4 header dynamic segments symbols
  header=$(readelf -hW "$daemon")
  dynamic=$(readelf -dW "$daemon")
  segments=$(readelf -lW "$daemon")
  symbols=$(readelf --dyn-syms -W "$daemon")

  if [ "$pie" = yes ]; then
    if ! grep -Eq 'Type:[[:space:]]+DYN' <<<"$header" || ! grep -Eq '\(FLAGS_1\).*\bPIE\b' <<<"$dynamic"; then
      fail "$name: not a position-independent executable (ET_DYN with FLAGS_1 PIE)"
    fi
  else
    grep -Eq 'Type:[[:space:]]+EXEC' <<<"$header" ||
      fail "$name: not a fixed-address executable (ET_EXEC)"
  fi
  grep -q 'GNU_RELRO' <<<"$segments" || fail "$name: no GNU_RELRO segment (no RELRO)"
  grep -Eq '\(FLAGS\).*\bBIND_NOW\b|\(FLAGS_1\).*\bNOW\b|\(BIND_NOW\)' <<<"$dynamic" ||
    fail "$name: no BIND_NOW (partial RELRO only)"
  grep -Eq '\bUND __stack_chk_fail\b' <<<"$symbols" ||
    fail "$name: does not call the stack protector (__stack_chk_fail not imported)"
  if [ "$fortified" = yes ]; then
    grep -Eq '\bUND __[a-z_]+_chk@' <<<"$(grep -v __stack_chk_fail <<<"$symbols")" ||
      fail "$name: no fortified C library call imported (__*_chk)"
  fi
  grep -Eq 'GNU_STACK([[:space:]]+0x[0-9a-f]+){5}[[:space:]]+RW[[:space:]]' <<<"$segments" ||
    fail "$name: the stack is executable, or GNU_STACK is missing"
  # the C library, and its dynamic loader where glibc keeps the stack
  # protector's guard there (MIPS, 32-bit ARM): the daemon's interpreter
  local lib loader
  loader=$(sed -n 's|.*program interpreter: \(.*/\)\{0,1\}\([^/]*\)\]|\2|p' <<<"$segments")
  while read -r lib; do
    [[ -z $lib || $lib =~ ^libc\.so(\.[0-9]+)?$ || $lib == "$loader" ]] ||
      fail "$name: needs $lib, more than the C library"
  done < <(sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' <<<"$dynamic")
  printf '%-34s %s\n' "$name" "$(checksec --output=csv --file="$daemon")"
}

# check NAME TYPE PIE FORTIFIED [CMAKE OPTION...]: build, then verify.
check() {
  local name=$1 type=$2 pie=$3 fortified=$4 daemon
  shift 4
  local dir=${name// /-}
  if daemon=$(build "$dir" "$type" "$@"); then
    verify "$name" "$daemon" "$pie" "$fortified"
    verify "$name (report)" "$daemon-report" "$pie" "$fortified"
  else
    fail "$name: the daemon does not build (log: $root/$dir.log)"
  fi
}

# every type as the project builds it, and with the fixed-address trade
for type in "${types[@]}"; do
  fortified=yes
  [ "$type" = Debug ] && fortified=no
  check "default $type" "$type" yes "$fortified"
  check "fixed-address $type" "$type" no "$fortified" -DRELAYWATCH_FIXED_ADDRESS=ON
done

# with Debian's hardening flags, as debhelper passes them; -O2 then comes
# with them into every build type
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
unset DEB_BUILD_MAINT_OPTIONS
echo "-- dpkg-buildflags: CXXFLAGS=$cxxflags LDFLAGS=$ldflags"
for type in "${types[@]}"; do
  check "dpkg-buildflags $type" "$type" yes yes
done

# a packager's level is kept: no other _FORTIFY_SOURCE on the daemon's
# compile lines, no redefinition (which -Werror would stop)
cxxflags="-O2 -D_FORTIFY_SOURCE=3"
ldflags=''
check "packager FORTIFY=3 MinSizeRel" MinSizeRel yes yes
levels=$(grep -o -- '-D_FORTIFY_SOURCE=[0-9]*' "$root/packager-FORTIFY=3-MinSizeRel/compile_commands.json" | sort -u)
[ "$levels" = "-D_FORTIFY_SOURCE=3" ] ||
  fail "packager FORTIFY=3: the compile lines carry $(paste -sd ' ' <<<"$levels")"
# a packager's FORTIFY in a build that does not optimise still builds
cxxflags="-O0 -D_FORTIFY_SOURCE=2"
check "packager FORTIFY=2 at -O0 Debug" Debug yes no

if [ ${#failures[@]} -ne 0 ]; then
  echo "FAILED: hardening: ${#failures[@]} finding(s):" >&2
  printf '  %s\n' "${failures[@]}" >&2
  exit 1
fi
echo "hardening: every daemon has the defences it should"
rm -rf "$root"
