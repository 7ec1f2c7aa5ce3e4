#!/bin/bash
# Runs inside the guest, as the last step of its start (guest-init.sh): mounts
# the file systems programs expect, then runs the host's command from the
# session folder (on the console as its terminal when the session says
# "console"), or a shell on the console when there is none, writes the exit
# status back and powers the machine off.
#
#   guest-run.sh PROJECT_FOLDER
project=$1
session=/run/tmrx-vm
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
export HOME=/root LANG=C.UTF-8 TMRX_IN_VM=1
# Programs run inside see the host's variables the runner passes on.
if [ -f "$session/environment" ]; then
  set -a; . "$session/environment"; set +a
fi

mkdir -p /dev/pts /dev/shm
mount -t devpts -o ptmxmode=666,gid=5,mode=620 devpts /dev/pts
mount -t tmpfs -o mode=1777 tmpfs /dev/shm
[ -e /dev/fd ] || ln -s /proc/self/fd /dev/fd
hostname tmrx-vm
ip link set lo up 2>/dev/null
# /dev/net/tun, as on a host (the lab's TAP interfaces).
modprobe tun 2>/dev/null

power_off() {
  sync
  echo o >/proc/sysrq-trigger
  sleep 10
}

cd "$project" || { echo "guest-run: no project folder $project" >/dev/hvc1; power_off; }
if [ -e "$session/uio" ] && ! "$project/scripts/vm/guest-uio.sh" 2>/dev/hvc1; then
  echo 125 >"$session/status"
  power_off
fi

if [ -f "$session/command" ] && [ -f "$session/console" ]; then
  # An interactive command: the console is its terminal.
  status=0
  setsid -w -c bash -c "$(cat "$session/command")" <>/dev/hvc0 >&0 2>&0 || status=$?
  echo "$status" >"$session/status"
elif [ -f "$session/command" ]; then
  # The consoles carry the command's bytes as they are.
  stty -F /dev/hvc0 raw -echo 2>/dev/null
  stty -F /dev/hvc1 raw -echo 2>/dev/null
  status=0
  bash -c "$(cat "$session/command")" </dev/null >/dev/hvc0 2>/dev/hvc1 || status=$?
  echo "$status" >"$session/status"
else
  echo "tmrx-vm: a shell in $project; 'exit' powers the machine off" >/dev/hvc0
  setsid -w -c bash -i <>/dev/hvc0 >&0 2>&0
  echo 0 >"$session/status"
fi
power_off
