#!/usr/bin/env bash
# TCP goodput through the lab (two namespaces, TAP interfaces, two simulated
# ports under the driver) against a plain veth pair, in the same run.
#
#   bench/lab/lab-throughput.sh [--qemu] [SECONDS]     (as root; default 10 s per transfer)
#
# Reports iperf3 receiver goodput in each direction at the negotiated line
# rate (100 Mb/s full duplex), with the unlimited wire, over the shipped
# kernel image in the emulator at line rate, and through veth. With --qemu,
# then also inside one boot of the QEMU PC (TCG): the lab on its two tulips
# (--pci --as-k250) with the native driver and with the image, and a veth
# pair there, the emulated machine's own ceiling.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=10 qemu=0 inside=0
for a in "$@"; do
  case $a in
    --qemu) qemu=1 ;;
    --inside-qemu) inside=1 ;;  # the part that runs in the PC
    *[!0-9]*|'') echo "usage: lab-throughput.sh [--qemu] [SECONDS]" >&2; exit 2 ;;
    *) seconds=$a ;;
  esac
done
if [ "$inside" = 0 ]; then
  . scripts/deps.sh
  tmrx_ensure_packages >&2
  tmrx_build win32 --target Trx4n5
  tmrx_build native --target trxlab
fi
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
  for _ in $(seq 300); do [ -f "$work/ready" ] && break; sleep 0.1; done
  . "$work/ready"
  local there back
  there=$(goodput "$LAB_NS1" "$LAB_NS0" "$LAB_IP1")
  back=$(goodput "$LAB_NS1" "$LAB_NS0" "$LAB_IP1" -R)
  kill "$lab_pid"; wait "$lab_pid" || true; lab_pid=
  echo "$there $back"
}

through_veth() {
  ip netns add "$name-v0"; ip netns add "$name-v1"
  ip link add "${name}a" type veth peer name "${name}b"
  ip link set "${name}a" netns "$name-v0"; ip link set "${name}b" netns "$name-v1"
  ip -n "$name-v0" addr add 10.251.0.1/24 dev "${name}a"; ip -n "$name-v1" addr add 10.251.0.2/24 dev "${name}b"
  ip -n "$name-v0" link set "${name}a" up; ip -n "$name-v1" link set "${name}b" up
  echo "$(goodput "$name-v1" "$name-v0" 10.251.0.2) $(goodput "$name-v1" "$name-v0" 10.251.0.2 -R)"
}

row() { printf '  %-44s %10s %10s\n' "$@"; }

if [ "$inside" = 1 ]; then
  read -r pci0 pci1 < <(through_lab --pci --as-k250)
  read -r pimg0 pimg1 < <(through_lab --pci --as-k250 --kernel-image)
  read -r qveth0 qveth1 < <(through_veth)
  echo "ROWS $pci0 $pci1 $pimg0 $pimg1 $qveth0 $qveth1"
  exit 0
fi

read -r paced0 paced1 < <(through_lab)
read -r free0 free1 < <(through_lab --unlimited)
read -r image0 image1 < <(through_lab --kernel-image)
read -r veth0 veth1 < <(through_veth)
if [ "$qemu" = 1 ]; then
  echo "lab-throughput: the same inside the QEMU PC (one boot)" >&2
  read -r _ pci0 pci1 pimg0 pimg1 qveth0 qveth1 < <(
    scripts/vm/run-vm.sh --uio -- "bench/lab/lab-throughput.sh --inside-qemu $seconds" | grep '^ROWS ')
fi

printf 'TCP goodput (Mb/s, iperf3 receiver, %s s each)\n' "$seconds"
row "" "0 -> 1" "1 -> 0"
row "lab, 100 Mb/s full duplex wire" "$paced0" "$paced1"
row "lab, unlimited wire" "$free0" "$free1"
row "lab over the image, 100 Mb/s wire" "$image0" "$image1"
row "veth pair" "$veth0" "$veth1"
python3 -c "print('  unlimited lab / veth: %.3f and %.3f' % ($free0 / $veth0, $free1 / $veth1))"
if [ "$qemu" = 1 ]; then
  row "QEMU PC: lab on its two tulips" "$pci0" "$pci1"
  row "QEMU PC: lab over the image, two tulips" "$pimg0" "$pimg1"
  row "QEMU PC: veth pair" "$qveth0" "$qveth1"
fi
