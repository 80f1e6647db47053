#!/usr/bin/env bash
# SPDX-License-Identifier: ISC
# Fuzz smoke: every libFuzzer target in fuzz/ (built with Clang, ASan and
# UBSan) runs from its seed corpus for RELAYWATCH_FUZZ_SECONDS (30) or
# RELAYWATCH_FUZZ_RUNS (1,000,000) runs, whichever comes first. Any finding
# fails the check; the input that caused it is printed (base64) and kept
# under build-fuzz/artifacts/, to be added to fuzz/corpus/<target>/.
set -euo pipefail
cd "$(dirname "$0")/../.."

# shellcheck source=.ci/lib.sh
. .ci/lib.sh
ensure_deps fuzz

seconds=${RELAYWATCH_FUZZ_SECONDS:-30}
runs=${RELAYWATCH_FUZZ_RUNS:-1000000}
build="build-fuzz"

cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DRELAYWATCH_FUZZ=ON -DBUILD_TESTING=OFF \
      -DRELAYWATCH_SIMULATOR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
targets=()
for dir in fuzz/corpus/*/; do
  targets+=("$(basename "$dir")")
done
cmake --build "$build" -j2 --target "${targets[@]/#/fuzz_}"

# The longest input worth trying, by target: a survey line, a whole survey
# with its 10,000-character lines, a store file, a stored value, a scenario.
max_len() {
  case "$1" in
    survey_row) echo 512 ;;
    scan_channel) echo 24576 ;;
    shell_escape) echo 2048 ;;
    *) echo 8192 ;;
  esac
}

export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

rm -rf "$build/corpus" "$build/artifacts"
mkdir -p "$build/artifacts"
summary=()
for t in "${targets[@]}"; do
  exe="$build/fuzz/fuzz_$t"
  work="$build/corpus/$t"
  log="$build/fuzz_$t.log"
  mkdir -p "$work"
  echo "-- fuzz_$t: up to ${seconds}s or $runs runs"
  if ! "$exe" -max_total_time="$seconds" -runs="$runs" -max_len="$(max_len "$t")" -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$build/artifacts/$t-" \
        "$work" "fuzz/corpus/$t" >"$log" 2>&1; then
    tail -n 60 "$log"
    for artifact in "$build/artifacts/$t-"*; do
      [ -e "$artifact" ] || continue
      echo "FINDING in fuzz_$t: $artifact (base64 below; add it to fuzz/corpus/$t/)"
      base64 "$artifact"
    done
    echo "FAILED: fuzz_$t found a fault" >&2
    exit 1
  fi
  executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  corpus=$(find "$work" -type f | wc -l)
  summary+=("fuzz_$t: ${executed:-?} runs, no finding ($corpus new corpus files)")
done
printf '%s\n' "${summary[@]}"
