#!/usr/bin/env bash
# SPDX-License-Identifier: ISC
# The field report's page in a real browser: relaywatch-sim writes the page
# of the sample bundle, and headless Chromium (Debian's, as root without its
# sandbox) renders it to a screenshot and dumps its DOM, once read as HTML
# and once as XHTML (strict XML: a single fault shows as a parser error).
# Fails when Chromium fails or reports anything from the page's console, when
# the page names an outside resource or holds a script, when the screenshot
# is no PNG, or when the DOM lacks the first line or the timeline's SVG.
set -euo pipefail
cd "$(dirname "$0")/../.."

# shellcheck source=.ci/lib.sh
. .ci/lib.sh
ensure_deps browser

build="build-browser"
cmake -S . -B "$build" -DBUILD_TESTING=OFF -DRELAYWATCH_SIMULATOR=ON -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target relaywatch-sim

out="$PWD/$build/browser"
rm -rf "$out"
mkdir -p "$out"
"$build/sim/relaywatch-sim" report samples/field-report.bundle -o "$out/page.html" >"$out/page.txt"
cp "$out/page.html" "$out/page.xhtml"
first=$(head -n 1 "$out/page.txt")

fail() {
  echo "browser: $*" >&2
  exit 1
}

if grep -Eiq '<script|<link|<iframe|<img|<object|(src|href)=|url\(' "$out/page.html"; then
  fail "the page holds a script or names an outside resource"
fi

# chromium_run LOG OUTPUT ARG...: one headless run, its messages in LOG.
chromium_run() {
  local log=$1 output=$2 status=0
  shift 2
  HOME="$out" timeout 120 chromium --headless --no-sandbox --disable-gpu --no-first-run --disable-extensions \
    --user-data-dir="$out/profile" --enable-logging=stderr --v=0 --window-size=1280,2000 "$@" \
    >"$output" 2>"$log" || status=$?
  [ "$status" -eq 0 ] || { tail -n 20 "$log" >&2; fail "chromium $*: exit status $status"; }
  if grep -q 'CONSOLE' "$log"; then
    grep 'CONSOLE' "$log" >&2
    fail "the page's console reports the above (chromium $*)"
  fi
}

chromium --version
chromium_run "$out/dom-html.log" "$out/dom.html" --dump-dom "file://$out/page.html"
chromium_run "$out/dom-xhtml.log" "$out/dom.xhtml" --dump-dom "file://$out/page.xhtml"
chromium_run "$out/screenshot.log" /dev/null --screenshot="$out/page.png" "file://$out/page.html"

for dom in "$out/dom.html" "$out/dom.xhtml"; do
  if grep -q 'parsererror\|This page contains the following errors' "$dom"; then
    fail "$(basename "$dom"): the browser could not parse the page"
  fi
  grep -q '<svg' "$dom" || fail "$(basename "$dom"): no SVG in the DOM"
  grep -qF "$first" "$dom" || fail "$(basename "$dom"): the first line is not in the DOM"
done
[ "$(head -c 8 "$out/page.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "the screenshot is no PNG"
echo "browser: the sample page rendered ($(wc -c <"$out/page.png") bytes of PNG), its SVG in the DOM, no console message"
