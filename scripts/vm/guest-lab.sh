#!/bin/bash
# Inside the guest: the lab (trxlab) with the options given, then COMMAND with
# the lab's names in its environment (LAB_NS0, LAB_IP1, LAB_IP6_0, LAB_IF1,
# LAB_MAC0, ... and LAB_CONTROL, the lab's control FIFO), or without one an
# interactive shell; the lab ends after it. Exits with COMMAND's status, or
# with the lab's when COMMAND succeeded.
#
#   guest-lab.sh LAB_BINARY [LAB_OPTIONS...] [-- COMMAND...]
#
# The shell shows the lab's messages when it starts and when it ends (they
# go to $LAB_LOG meanwhile, to keep the prompt clean); COMMAND sees them as
# they come, on stderr.
set -u
lab=${1:?usage: guest-lab.sh LAB_BINARY [LAB_OPTIONS...] [-- COMMAND...]}
shift
options=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do options+=("$1"); shift; done
[ $# -gt 0 ] && shift
command="$*"

work=$(mktemp -d)
export LAB_CONTROL=$work/control LAB_LOG=$work/lab.log
ready=$work/ready.env

if [ -n "$command" ]; then
  "$lab" "${options[@]}" --ready "$ready" --control "$LAB_CONTROL" &
else
  "$lab" "${options[@]}" --ready "$ready" --control "$LAB_CONTROL" 2>"$LAB_LOG" &
fi
lab_pid=$!
show_log() { [ -n "$command" ] || cat "$LAB_LOG" >&2; }

# Up within a minute (each port's Initialize settles for 1.5 s in real time).
for _ in $(seq 600); do
  [ -s "$ready" ] && break
  kill -0 "$lab_pid" 2>/dev/null || break
  sleep 0.1
done
if [ ! -s "$ready" ]; then
  kill "$lab_pid" 2>/dev/null
  wait "$lab_pid"; status=$?
  show_log
  echo "guest-lab: the lab did not come up (exit $status)" >&2
  exit $((status == 0 ? 1 : status))
fi
set -a; . "$ready"; set +a

status=0
if [ -n "$command" ]; then
  bash -c "$command" || status=$?
else
  show_log
  shown=$(wc -l <"$LAB_LOG")
  cat >&2 <<EOF
tmrx-vm: the lab is up: $LAB_NS0 ($LAB_IP0, $LAB_IP6_0) <-> $LAB_NS1 ($LAB_IP1, $LAB_IP6_1), through the
tmrx-vm: PC's two tulips under the driver. Try: ip netns exec $LAB_NS0 ping -c 3 $LAB_IP1
tmrx-vm: (\$LAB_NS0, \$LAB_IP1, ...; echo stats >\$LAB_CONTROL; the lab's messages: \$LAB_LOG).
tmrx-vm: 'exit' ends the lab and powers the machine off.
EOF
  bash -i || true
fi

echo quit >"$LAB_CONTROL"
wait "$lab_pid"; lab_status=$?
[ -n "$command" ] || tail -n "+$((shown + 1))" "$LAB_LOG" >&2
rm -rf "$work"
[ "$status" -ne 0 ] && exit "$status"
exit "$lab_status"
