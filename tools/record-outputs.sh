#!/usr/bin/env bash
# SPDX-License-Identifier: ISC
# Records every output of relaywatch-sim into a folder, so that a change
# meant to keep its behaviour can be checked byte for byte:
#
#   tools/record-outputs.sh build-old/sim/relaywatch-sim /tmp/before
#   tools/record-outputs.sh build/sim/relaywatch-sim /tmp/after
#   diff -r /tmp/before /tmp/after
#
# Each case writes NAME.out (standard output), NAME.err (standard error),
# NAME.status and any file it asked for (SVG, CSV, system log). Every run
# happens in one scratch folder whose inputs are links into this tree, so
# the paths the tool prints are the same whichever tree or build is
# recorded.
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 RELAYWATCH-SIM OUTDIR" >&2
  exit 2
fi
sim=$(realpath "$1")
[ -x "$sim" ] || { echo "$0: $1 is not an executable" >&2; exit 2; }
mkdir -p "$2"
out=$(realpath "$2")
src=$(realpath "$(dirname "$0")/..")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ln -s "$src/scenarios" "$work/scenarios"
ln -s "$src/samples" "$work/samples"
ln -s "$src/fuzz/corpus" "$work/corpus"
cd "$work"

count=0
# record NAME ARGS...: one run of the simulator; files it writes under
# o/ are kept as NAME.<file>.
record() {
  local name=$1 status=0
  shift
  rm -rf o && mkdir o
  "$sim" "$@" >"$out/$name.out" 2>"$out/$name.err" </dev/null || status=$?
  echo "$status" >"$out/$name.status"
  local f
  for f in o/*; do
    [ -e "$f" ] || continue
    cp "$f" "$out/$name.$(basename "$f")"
  done
  count=$((count + 1))
}

# Scenario runs: as written, quiet, with debug and other arguments, with
# every output file, and cut short.
for scn in scenarios/*.scn; do
  n=$(basename "$scn" .scn)
  # Debug runs of a scenario longer than a day are cut at six hours: the
  # month-long soak would write hundreds of megabytes.
  cut=()
  grep -Eq '^end +([0-9]+d|[0-9]{6,})' "$scn" && cut=(--until 6h)
  record "run-$n" "$scn"
  record "run-$n-quiet" --quiet "$scn"
  record "run-$n-debug" "${cut[@]}" "$scn" 10 2 debug
  record "run-$n-nodebug" "$scn" 5 0
  record "run-$n-files" --timeline o/t.svg --syslog o/sys.log "$scn"
  record "run-$n-start" "${cut[@]}" --quiet --syslog o/sys.log --log-start 2026-12-31T23:50:00 "$scn" 10 2 debug
  record "run-$n-until" --until 2m --timeline o/t.svg "$scn"
  record "sweep-$n" --sweep 5,10,30 0..2 --csv o/t.csv "$scn"
  # The run's system log, read back.
  rm -rf o && mkdir o
  "$sim" "${cut[@]}" --quiet --syslog o/sys.log "$scn" 10 2 debug >/dev/null 2>&1 || true
  cp o/sys.log "log-$n.log" 2>/dev/null || : >"log-$n.log"
  record "replay-$n" replay "log-$n.log" --timeline o/t.svg
done

# The scenario fuzz corpus: mostly scenarios the reader refuses.
for scn in corpus/scenario/*.scn; do
  record "corpus-$(basename "$scn" .scn)" --quiet --until 1h "$scn"
done

# explain over every sample table, alone and with every sample store.
for table in samples/survey-*; do
  t=$(basename "$table" .txt)
  record "explain-$t" explain "$table"
  record "explain-$t-ch11-rem" explain "$table" --channel 11 --remembered 00:11:22:33:44:55
  for store in samples/nvram*; do
    record "explain-$t-$(basename "$store")" explain "$table" --store "$store"
  done
done
for table in corpus/survey_row/* corpus/scan_channel/*; do
  record "explain-corpus-$(basename "$(dirname "$table")")-$(basename "$table")" explain "$table" --store samples/nvram
done

# replay of the sample log, from a file and from standard input.
record replay-sample replay samples/logread-excerpt.log --timeline o/t.svg
rm -rf o && mkdir o
status=0
"$sim" replay - <samples/logread-excerpt.log >"$out/replay-stdin.out" 2>"$out/replay-stdin.err" || status=$?
echo "$status" >"$out/replay-stdin.status"
count=$((count + 1))

# Usage, help and errors.
record help --help
record help-h -h
record explain-help explain --help
record replay-help replay --help
record err-none
record err-missing scenarios/no-such.scn
record err-option --no-such-option scenarios/channel-hop.scn
record err-until --until 0 scenarios/channel-hop.scn
record err-until-word --until soon scenarios/channel-hop.scn
record err-until-missing scenarios/channel-hop.scn --until
record err-sweep-range --sweep 0 1 scenarios/channel-hop.scn
record err-sweep-many --sweep 1..100 0..100 scenarios/channel-hop.scn
record err-sweep-args --sweep 5 1 scenarios/channel-hop.scn 5 1
record err-sweep-timeline --sweep 5 1 --timeline o/t.svg scenarios/channel-hop.scn
record err-sweep-syslog --sweep 5 1 --syslog o/s.log scenarios/channel-hop.scn
record err-csv-alone --csv o/t.csv scenarios/channel-hop.scn
record err-log-start --log-start yesterday scenarios/channel-hop.scn
record err-args scenarios/channel-hop.scn 5
record err-args-word scenarios/channel-hop.scn five 1
record err-timeline-dir --timeline /nonexistent/t.svg scenarios/channel-hop.scn
record err-explain-none explain
record err-explain-missing explain samples/no-such.txt
record err-explain-store explain samples/survey-crowded.txt --store samples/no-such
record err-explain-channel explain samples/survey-crowded.txt --channel x
record err-explain-remembered explain samples/survey-crowded.txt --remembered 12:34
record err-explain-option explain samples/survey-crowded.txt --nope
record err-replay-none replay
record err-replay-missing replay samples/no-such.log
record err-replay-option replay samples/logread-excerpt.log --nope
record err-replay-timeline replay samples/logread-excerpt.log --timeline
record err-replay-not-log replay samples/nvram

echo "recorded $count outputs of $sim in $out"
