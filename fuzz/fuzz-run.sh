# Sourced by the fuzz/run-*-fuzz.sh scripts: builds one libFuzzer target
# (preset native-fuzz), runs it for SECONDS over its seed corpus and prints
# the executions per second and the total.
#   fuzz_run NAME TARGET DIR SEEDS SECONDS [libFuzzer options...]
# DIR is the target's folder under build/native-fuzz, where new inputs
# collect (DIR/corpus-NAME) and a finding lands; SEEDS, the seed corpus in
# the tree, is only read.
fuzz_run() {
  local name=$1 target=$2 dir=$3 seeds=$4 seconds=$5
  shift 5
  case $seconds in
    ''|*[!0-9]*|0) echo "usage: $0 [SECONDS]" >&2; return 2 ;;
  esac
  local root
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  cd "$root" || return 2
  cmake --preset native-fuzz >/dev/null
  cmake --build --preset native-fuzz --target "$target" >/dev/null

  local out=build/native-fuzz/$dir
  mkdir -p "$out/corpus-$name"
  local log="$out/last-$name-run.log"
  local status=0 cpu
  # The processor time it took, too: on a shared machine the wall-clock rate
  # says as much about the neighbours as about the target.
  { TIMEFORMAT='%U %S'; time "$out/$target" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$out/$name-" "$@" "$out/corpus-$name" "$seeds" >"$log" 2>&1 || status=$?; } 2>"$log.cpu"
  cpu=$(cat "$log.cpu")

  local runs rate per_cpu
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  per_cpu=$(echo "${runs:-0} $cpu" | awk '{ t = $2 + $3; if (t > 0) printf "%d", $1 / t; else print "?" }')
  if [ "$status" -ne 0 ]; then
    tail -40 "$log" >&2
    echo "$name fuzz: FINDING after ${runs:-?} executions (log: $log)" >&2
    return 1
  fi
  echo "$name fuzz: ${runs:-?} executions in ${seconds} s, ${rate:-?} execs/s (${per_cpu} per processor second), no finding"
}
