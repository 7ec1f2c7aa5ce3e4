#!/usr/bin/env bash
# One boot of the x86 machine for a whole group of tests: the machine runs a
# job server (under its own Xvfb display), each test hands it a command line
# through the session folder, which the host and the machine share.
#
#   session.sh start DIR [--here-when-runs PROGRAM] [RUN-VM OPTIONS...]
#                                               boot and wait until the server is ready
#   session.sh run DIR -- COMMAND...            run COMMAND in the machine, in this
#                                               folder; print its output, pass its status
#   session.sh stop DIR                         end the server and the machine
#   session.sh serve DIR                        (inside) the job server itself
#
# DIR must lie inside the project folder (the machine sees nothing else of the
# host's writable files). Inside the machine already ($TMRX_IN_VM), or with
# TMRX_SESSION_HERE=1, start runs the server here instead of booting; with
# --here-when-runs PROGRAM it does so when `PROGRAM --version` runs on this
# host (a kernel that runs what the group needs), unless TMRX_SESSION_HERE=0
# asks for the machine. A server that gets no job for
# $TMRX_VM_SESSION_IDLE seconds (default 900) ends by itself, so an
# interrupted test run leaves no machine behind.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
idle_limit=${TMRX_VM_SESSION_IDLE:-900}

die() { echo "session.sh: $*" >&2; exit 2; }
usage() { sed -n '2,16s/^# \{0,1\}//p' "${BASH_SOURCE[0]}" >&2; exit 2; }

[ $# -ge 2 ] || usage
action=$1
dir=$(realpath -m "$2")
shift 2

machine_alive() { [ -s "$dir/machine.pid" ] && kill -0 "$(cat "$dir/machine.pid")" 2>/dev/null; }

start() {
  case $dir/ in "$root"/*) ;; *) die "$dir is not inside the project folder $root" ;; esac
  local here=${TMRX_SESSION_HERE:-}
  if [ "${1:-}" = --here-when-runs ]; then
    [ $# -ge 2 ] || usage
    if [ -z "$here" ]; then
      if "$2" --version >/dev/null 2>&1; then here=1; else here=0; fi
    fi
    shift 2
  fi
  if machine_alive; then stop; fi
  rm -rf "$dir"
  mkdir -p "$dir/jobs" || die "cannot make $dir"
  local server=("$root/scripts/with-xvfb.sh" "$root/scripts/vm/session.sh" serve "$dir")
  if [ -n "${TMRX_IN_VM:-}" ] || [ "$here" = 1 ]; then
    setsid "${server[@]}" </dev/null >"$dir/machine.log" 2>&1 &
  else
    local line
    printf -v line '%q ' "${server[@]}"
    setsid "$root/scripts/vm/run-vm.sh" "$@" -- "$line" </dev/null >"$dir/machine.log" 2>&1 &
  fi
  echo $! >"$dir/machine.pid"
  while [ ! -e "$dir/ready" ]; do
    if ! machine_alive; then
      echo "session.sh: the machine ended before its job server was ready:" >&2
      tail -n 30 "$dir/machine.log" >&2
      exit 1
    fi
    sleep 0.2
  done
  echo "session.sh: job server ready ($(cat "$dir/ready"))"
}

stop() {
  [ -d "$dir" ] || return 0
  touch "$dir/stop"
  local pid
  pid=$(cat "$dir/machine.pid" 2>/dev/null) || return 0
  for _ in $(seq 600); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  echo "session.sh: the machine did not end within 60 s; killing it" >&2
  kill -TERM -- "-$pid" 2>/dev/null
}

run() {
  [ "${1:-}" = -- ] && shift
  [ $# -ge 1 ] || usage
  [ -e "$dir/ready" ] || die "no job server in $dir (session.sh start $dir first)"
  local job line
  job=$(mktemp "$dir/jobs/job.XXXXXX") || die "cannot write into $dir/jobs"
  printf -v line '%q ' "$@"
  printf 'cd %q && %s\n' "$PWD" "$line" >"$job.tmp"
  mv "$job.tmp" "$job.cmd"
  # ctest's timeout ends this side; the server then ends the job.
  trap 'touch "$job.cancel"; cat "$job.out" 2>/dev/null; exit 143' TERM INT
  while [ ! -e "$job.status" ]; do
    if ! machine_alive; then
      cat "$job.out" 2>/dev/null
      echo "session.sh: the machine ended before the job did; its last words:" >&2
      tail -n 20 "$dir/machine.log" >&2
      exit 1
    fi
    sleep 0.1
  done
  cat "$job.out"
  exit "$(cat "$job.status")"
}

# Inside: starts each new job in its own process group, ends those cancelled.
serve() {
  declare -A running=()
  local idle=0 job pid
  # Tests run one after another with gaps: the wineservers stay meanwhile.
  export TMRX_WINESERVER_LINGER=$idle_limit
  local where=here
  [ -z "${TMRX_IN_VM:-}" ] || where="in the x86 machine"
  echo "$where: $(uname -r), $(nproc) processors" >"$dir/ready"
  while [ ! -e "$dir/stop" ] && [ -d "$dir/jobs" ]; do
    for job in "$dir"/jobs/*.cmd; do
      [ -e "$job" ] || continue
      job=${job%.cmd}
      mv "$job.cmd" "$job.started"
      setsid bash -c 'bash "$1.started" >"$1.out" 2>&1; echo $? >"$1.status.tmp"; mv "$1.status.tmp" "$1.status"' \
        job "$job" </dev/null &
      running[$job]=$!
    done
    for job in "${!running[@]}"; do
      pid=${running[$job]}
      if ! kill -0 "$pid" 2>/dev/null; then
        wait "$pid" 2>/dev/null
        unset "running[$job]"
      elif [ -e "$job.cancel" ]; then
        kill -KILL -- "-$pid" 2>/dev/null
      fi
    done
    if [ ${#running[@]} -eq 0 ]; then
      idle=$((idle + 1))
      [ $idle -lt $((idle_limit * 10)) ] || { echo "session.sh: idle for $idle_limit s, ending" >&2; break; }
    else
      idle=0
    fi
    sleep 0.1
  done
  for job in "${!running[@]}"; do kill -KILL -- "-${running[$job]}" 2>/dev/null; done
}

case $action in
  start) start "$@" ;;
  stop) [ $# = 0 ] || usage; stop ;;
  run) run "$@" ;;
  serve) [ $# = 0 ] || usage; serve ;;
  *) usage ;;
esac
