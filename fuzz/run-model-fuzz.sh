#!/usr/bin/env bash
# Builds the text list fuzzer (preset native-fuzz) and runs it for SECONDS
# (default 30), then prints the executions per second and the total.
# Usage: fuzz/run-model-fuzz.sh [SECONDS]
# The seed corpus in fuzz/model/corpus is only read; new inputs collect in
# build/native-fuzz/fuzz/model/corpus, a finding in build/native-fuzz/fuzz/model/.
set -euo pipefail

seconds=${1:-30}
case $seconds in
  ''|*[!0-9]*|0) echo "usage: $0 [SECONDS]" >&2; exit 2 ;;
esac

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
cmake --preset native-fuzz >/dev/null
cmake --build --preset native-fuzz --target fuzz_text_list >/dev/null

out=build/native-fuzz/fuzz/model
mkdir -p "$out/corpus"
log="$out/last-run.log"
status=0
"$out/fuzz_text_list" -max_total_time="$seconds" -print_final_stats=1 -max_len=4096 \
  -dict=fuzz/model/text_list.dict -artifact_prefix="$out/" \
  "$out/corpus" fuzz/model/corpus >"$log" 2>&1 || status=$?

runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
if [ "$status" -ne 0 ]; then
  tail -40 "$log" >&2
  echo "model fuzz: FINDING after ${runs:-?} executions (log: $log)" >&2
  exit 1
fi
echo "model fuzz: ${runs:-?} executions in ${seconds} s, ${rate:-?} execs/s, no finding"
