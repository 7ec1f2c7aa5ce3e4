#!/usr/bin/env bash
# TCP goodput through the lab (two namespaces, TAP interfaces, two simulated
# ports under the driver) against a plain veth pair, in the same run.
#
#   bench/lab/lab-throughput.sh [SECONDS]     (as root; default 10 s per transfer)
#
# Reports iperf3 receiver goodput in each direction at the negotiated line
# rate (100 Mb/s full duplex), with the unlimited wire, over the shipped
# kernel image in the emulator at line rate, and through veth.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-10}
. scripts/deps.sh
tmrx_ensure_packages >&2
tmrx_build win32 --target Trx4n5
tmrx_build native --target trxlab
lab=build/native/tools/trxlab/trxlab
work=$(mktemp -d)
name="tput$$"; name=${name:0:12}
cleanup() {
  ip netns del "$name-v0" 2>/dev/null || true
  ip netns del "$name-v1" 2>/dev/null || true
  [ -n "${lab_pid:-}" ] && kill "$lab_pid" 2>/dev/null && wait "$lab_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

goodput() {  # server-namespace client-namespace address [-R]
  ip netns exec "$1" iperf3 -s -1 -D -p 5401
  sleep 0.3
  ip netns exec "$2" iperf3 -c "$3" -p 5401 -t "$seconds" -J ${4:-} |
    python3 -c 'import json,sys; print("%.1f" % (json.load(sys.stdin)["end"]["sum_received"]["bits_per_second"] / 1e6))'
}

through_lab() {  # extra lab options...
  rm -f "$work/ready"
  "$lab" --name "$name" --ready "$work/ready" "$@" >/dev/null 2>"$work/lab.log" &
  lab_pid=$!
  for _ in $(seq 100); do [ -f "$work/ready" ] && break; sleep 0.1; done
  . "$work/ready"
  local there back
  there=$(goodput "$LAB_NS1" "$LAB_NS0" "$LAB_IP1")
  back=$(goodput "$LAB_NS1" "$LAB_NS0" "$LAB_IP1" -R)
  kill "$lab_pid"; wait "$lab_pid" || true; lab_pid=
  echo "$there $back"
}

read -r paced0 paced1 < <(through_lab)
read -r free0 free1 < <(through_lab --unlimited)
read -r image0 image1 < <(through_lab --kernel-image)

ip netns add "$name-v0"; ip netns add "$name-v1"
ip link add "${name}a" type veth peer name "${name}b"
ip link set "${name}a" netns "$name-v0"; ip link set "${name}b" netns "$name-v1"
ip -n "$name-v0" addr add 10.251.0.1/24 dev "${name}a"; ip -n "$name-v1" addr add 10.251.0.2/24 dev "${name}b"
ip -n "$name-v0" link set "${name}a" up; ip -n "$name-v1" link set "${name}b" up
veth0=$(goodput "$name-v1" "$name-v0" 10.251.0.2)
veth1=$(goodput "$name-v1" "$name-v0" 10.251.0.2 -R)

printf 'TCP goodput (Mb/s, iperf3 receiver, %s s each)\n' "$seconds"
printf '  %-36s %10s %10s\n' "" "0 -> 1" "1 -> 0"
printf '  %-36s %10s %10s\n' "lab, 100 Mb/s full duplex wire" "$paced0" "$paced1"
printf '  %-36s %10s %10s\n' "lab, unlimited wire" "$free0" "$free1"
printf '  %-36s %10s %10s\n' "lab over the image, 100 Mb/s wire" "$image0" "$image1"
printf '  %-36s %10s %10s\n' "veth pair" "$veth0" "$veth1"
python3 -c "print('  unlimited lab / veth: %.3f and %.3f' % ($free0 / $veth0, $free1 / $veth1))"
