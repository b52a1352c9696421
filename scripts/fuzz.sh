#!/usr/bin/env bash
# Builds the path list fuzzer and runs it.
#
#   scripts/fuzz.sh [SECONDS]   run for SECONDS (default 60); the corpus grows
#                               in build/fuzz/corpus, seeded from the repository
#   scripts/fuzz.sh --check     a bounded pass for the test run: 30 seconds on a
#                               temporary copy of the seed corpus
#
# A finding is saved as build/fuzz/artifacts/crash-*; running the fuzzer with
# that file as its argument replays it. The exit status is the fuzzer's.
set -euo pipefail

cd "$(dirname "$0")/.."
root=$PWD

seconds=60
check=false
case "${1:-}" in
  --check) check=true; seconds=30 ;;
  '') ;;
  *[!0-9]*) echo "usage: $0 [SECONDS | --check]" >&2; exit 2 ;;
  *) seconds=$1 ;;
esac

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null

fuzzer=$root/build/fuzz/tests/fuzz/path_list_fuzzer
artifacts=$root/build/fuzz/artifacts
mkdir -p "$artifacts"

if $check; then
  corpus=$(mktemp -d)
  trap 'rm -rf "$corpus"' EXIT
else
  corpus=$root/build/fuzz/corpus
  mkdir -p "$corpus"
fi
cp -n "$root"/tests/fuzz/corpus/* "$corpus"/

# The old list is at most 3999 bytes; the token bytes of the input can
# expand past that, so inputs a little longer than one list are still useful.
log=$(mktemp)
trap 'rm -f "$log"; if $check; then rm -rf "$corpus"; fi' EXIT
status=0
"$fuzzer" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
  -dict="$root/tests/fuzz/path_list.dict" -artifact_prefix="$artifacts/" \
  -print_final_stats=1 "$corpus" >"$log" 2>&1 || status=$?

if [ "$status" -ne 0 ]; then
  cat "$log" >&2
  echo "fuzz: FAILED (status $status); the input is in $artifacts" >&2
  exit "$status"
fi
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
echo "fuzz: path_list_fuzzer ran $runs inputs in ${seconds}s ($rate/s), no finding"
