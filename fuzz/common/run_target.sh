# Sourced by the fuzz/run-*-fuzz.sh scripts: builds one libFuzzer target
# (preset native-fuzz), runs it for SECONDS over its seed corpus, and prints
# the executions, the rate per wall-clock second and per processor second (on
# a shared machine the first says as much about the neighbours as about the
# target); a finding prints the log's end and fails. The seed corpus is only
# read; new inputs collect in BUILD_SUBDIR/corpus-LABEL of the build tree, a
# finding lands beside them as LABEL-crash-...
# Usage: run_fuzz_target LABEL TARGET BUILD_SUBDIR SEED_CORPUS SECONDS [libFuzzer options...]
run_fuzz_target() {
  local label=$1 target=$2 subdir=$3 seeds=$4 seconds=$5
  shift 5
  case $seconds in
    ''|*[!0-9]*|0) echo "usage: $0 [SECONDS]" >&2; return 2 ;;
  esac
  cmake --preset native-fuzz >/dev/null
  cmake --build --preset native-fuzz --target "$target" >/dev/null

  local out=build/native-fuzz/$subdir
  mkdir -p "$out/corpus-$label"
  local log="$out/last-$label-run.log" status=0 cpu
  # Allocation stacks and a long quarantine cost more than half the rate of
  # the allocation-heavy targets; replay a finding by hand to get full stacks.
  export ASAN_OPTIONS=${ASAN_OPTIONS:-malloc_context_size=0:quarantine_size_mb=16}
  { TIMEFORMAT='%U %S'; time "$out/$target" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$out/$label-" "$@" "$out/corpus-$label" "$seeds" >"$log" 2>&1 || status=$?; } 2>"$log.cpu"
  cpu=$(cat "$log.cpu")

  local runs rate per_cpu
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  per_cpu=$(echo "${runs:-0} $cpu" | awk '{ t = $2 + $3; if (t > 0) printf "%d", $1 / t; else print "?" }')
  if [ "$status" -ne 0 ]; then
    tail -40 "$log" >&2
    # The finding's cause and input come last, where a shortened report of
    # this run still shows them: a finding on another machine can be replayed
    # here (base64 -d > FILE; TARGET FILE).
    grep -m1 -E 'invariant broken|ERROR: |runtime error' "$log" >&2 || true
    local input
    input=$(sed -n "s/.*Test unit written to //p" "$log" | tail -1)
    if [ -n "$input" ] && [ -f "$input" ] && [ "$(stat -c %s "$input")" -le 4096 ]; then
      echo "input (base64): $(base64 -w0 "$input")" >&2
    fi
    echo "$label fuzz: FINDING after ${runs:-?} executions (log: $log)" >&2
    return 1
  fi
  echo "$label fuzz: ${runs:-?} executions in ${seconds} s, ${rate:-?} execs/s (${per_cpu} per processor second), no finding"
}
