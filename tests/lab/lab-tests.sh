#!/usr/bin/env bash
# Real traffic through the driver: starts trxlab, drives the namespaces' own
# tools (ping, iperf3) and reads the capture with tshark. One line per test
# case ("PASS name" / "FAIL name: why", "SKIP name: why" for a case that does
# not apply), then "N passed, N failed".
#
#   tests/lab/lab-tests.sh LAB_BINARY [WORK_DIR] [-- LAB_OPTIONS...]
#
# With --pci among LAB_OPTIONS (two real functions cabled to each other, such
# as the QEMU PC's tulips) the cases that need the simulated boards and their
# wire (counters, unplugging, the capture) are skipped.
set -u -o pipefail
usage="usage: lab-tests.sh LAB_BINARY [WORK_DIR] [-- LAB_OPTIONS...]"
lab=${1:?$usage}
shift
work=
if [ $# -gt 0 ] && [ "$1" != -- ]; then work=$1; shift; fi
if [ $# -gt 0 ]; then
  [ "$1" = -- ] || { echo "$usage" >&2; exit 2; }
  shift
fi
lab_options=("$@")
real_functions=0
for o in "$@"; do [ "$o" = --pci ] && real_functions=1; done
work=${work:-$(mktemp -d)}
mkdir -p "$work"
name="trxt$$"
name=${name:0:12}
ready="$work/ready.env"
control="$work/control"
pcap="$work/wire.pcap"
stats="$work/stats.jsonl"
passed=0
failed=0
skipped=0

pass() { echo "PASS $1"; passed=$((passed + 1)); }
skip() { echo "SKIP $1: $2"; skipped=$((skipped + 1)); }
fail() { echo "FAIL $1: $2"; failed=$((failed + 1)); }
check() {  # name command...
  local what=$1; shift
  if "$@" >"$work/last.log" 2>&1; then pass "$what"; else fail "$what" "$(tail -n 3 "$work/last.log" | tr '\n' ' ')"; fi
}
in0() { ip netns exec "$LAB_NS0" "$@"; }
in1() { ip netns exec "$LAB_NS1" "$@"; }
command_lab() { echo "$1" >"$control"; }
# The last stats line of a port, after asking for fresh ones.
stat() {  # port key
  : >"$stats.new"
  command_lab stats
  for _ in $(seq 50); do
    [ "$(grep -c '"port"' "$stats" 2>/dev/null)" -ge "$((seen + 2))" ] && break
    sleep 0.1
  done
  seen=$(grep -c '"port"' "$stats")
  grep "\"port\": $1," "$stats" | tail -n 1 | sed -E "s/.*\"$2\": ([a-z0-9]+).*/\1/"
}
seen=0

# The capture is of the simulated wire; real functions' cable is not the lab's.
[ "$real_functions" = 1 ] || lab_options+=(--pcap "$pcap")
"$lab" --name "$name" --ready "$ready" --control "$control" "${lab_options[@]}" >"$stats" 2>"$work/lab.log" &
lab_pid=$!
cleanup() {
  if kill -0 "$lab_pid" 2>/dev/null; then echo quit >"$control" 2>/dev/null || kill "$lab_pid"; fi
  wait "$lab_pid" 2>/dev/null
}
trap cleanup EXIT
# Real functions take their settle time in real time.
for _ in $(seq 300); do [ -f "$ready" ] && break; kill -0 "$lab_pid" 2>/dev/null || break; sleep 0.1; done
if [ ! -f "$ready" ]; then
  fail lab_starts "$(tail -n 5 "$work/lab.log" | tr '\n' ' ')"
  echo "$passed passed, $failed failed"
  exit 1
fi
. "$ready"

check ipv4_ping_0_to_1 in0 ping -c 3 -i 0.2 -W 2 "$LAB_IP1"
check ipv4_ping_1_to_0 in1 ping -c 3 -i 0.2 -W 2 "$LAB_IP0"
check ipv6_ping_0_to_1 in0 ping -6 -c 3 -i 0.2 -W 2 "$LAB_IP6_1"
check ipv6_ping_1_to_0 in1 ping -6 -c 3 -i 0.2 -W 2 "$LAB_IP6_0"

in1 iperf3 -s -1 -D -p 5201 && sleep 0.3
check tcp_transfer_0_to_1 in0 iperf3 -c "$LAB_IP1" -p 5201 -n 4M
in1 iperf3 -s -1 -D -p 5202 && sleep 0.3
check tcp_transfer_1_to_0 in0 iperf3 -c "$LAB_IP1" -p 5202 -n 4M -R

if [ "$real_functions" = 1 ]; then
  skip multicast_unjoined_dropped "needs the simulated board's counter of frames its filter dropped"
  skip hash_filter_keeps_traffic "needs the simulated board's filter state; QEMU's tulip has no hash filter"
  skip link_down_stops_traffic "the cable between real functions is not the lab's to pull"
  skip link_up_restores_traffic "the cable between real functions is not the lab's to pull"
  # The lab says so when asked, and traffic goes on.
  command_lab unplug
  sleep 0.3
  if grep -q "cannot unplug" "$work/lab.log" && in0 ping -c 2 -i 0.2 -W 2 "$LAB_IP1" >/dev/null; then
    pass unplug_refused_on_real_functions; else fail unplug_refused_on_real_functions "no refusal or no traffic"; fi
else
  # A group nobody joined: the receiving board's filter drops it.
  before=$(stat 1 rx_filtered)
  in0 ping -c 3 -i 0.2 -W 1 -t 1 -I "$LAB_IF0" 239.77.1.2 >/dev/null 2>&1
  after=$(stat 1 rx_filtered)
  if [ "$((after - before))" -ge 3 ]; then pass multicast_unjoined_dropped; else
    fail multicast_unjoined_dropped "rx_filtered went from $before to $after"; fi

  # More groups than perfect filtering holds: hashing, and traffic still passes.
  for i in $(seq 10 29); do in1 ip maddr add "01:00:5e:00:01:$i" dev "$LAB_IF1"; done
  sleep 0.5
  in0 ip neigh flush dev "$LAB_IF0"; in1 ip neigh flush dev "$LAB_IF1"
  hash=$(stat 1 hash_filter)
  if [ "$hash" = true ] && in0 ping -c 3 -i 0.2 -W 2 "$LAB_IP1" >/dev/null && in1 ping -6 -c 2 -i 0.2 -W 2 "$LAB_IP6_0" >/dev/null; then
    pass hash_filter_keeps_traffic; else fail hash_filter_keeps_traffic "hash_filter=$hash or ping failed"; fi
  for i in $(seq 10 29); do in1 ip maddr del "01:00:5e:00:01:$i" dev "$LAB_IF1"; done

  # Link down stops traffic, link up restores it; both reach the binding.
  down_before=$(stat 0 media_disconnect)
  command_lab unplug
  sleep 0.5
  if in0 ping -c 2 -i 0.2 -W 1 "$LAB_IP1" >/dev/null 2>&1; then fail link_down_stops_traffic "ping went through"; else
    [ "$(stat 0 media_disconnect)" -gt "$down_before" ] && pass link_down_stops_traffic ||
      fail link_down_stops_traffic "no media disconnect indication"; fi
  up_before=$(stat 0 media_connect)
  command_lab plug
  for _ in $(seq 30); do [ "$(stat 0 media_connect)" -gt "$up_before" ] && break; sleep 0.2; done
  check link_up_restores_traffic in0 ping -c 3 -i 0.2 -W 2 "$LAB_IP1"
fi

command_lab quit
wait "$lab_pid"; lab_rc=$?
trap - EXIT
if [ "$lab_rc" -eq 0 ]; then pass lab_ends_clean; else fail lab_ends_clean "exit $lab_rc: $(tail -n 2 "$work/lab.log" | tr '\n' ' ')"; fi
if ip netns list | grep -q "$name" || ip link show | grep -q "$name"; then fail lab_removes_everything "left: $(ip netns list | grep "$name")"; else pass lab_removes_everything; fi

if [ "$real_functions" = 1 ]; then
  skip capture_has_arp_and_neighbour_discovery "no capture of the wire between real functions"
  skip capture_decodes_cleanly "no capture of the wire between real functions"
else
  # The capture, read once: address resolution of both families, nothing malformed.
  tshark -r "$pcap" -o tcp.analyze_sequence_numbers:FALSE -T fields -e frame.protocols -e icmpv6.type \
    >"$work/protocols.txt" 2>"$work/tshark.log"
  if grep -q ':arp' "$work/protocols.txt" && grep -qE ':icmpv6[[:space:]]+135$' "$work/protocols.txt"; then
    pass capture_has_arp_and_neighbour_discovery; else fail capture_has_arp_and_neighbour_discovery "missing in $pcap"; fi
  frames=$(wc -l <"$work/protocols.txt")
  malformed=$(grep -c '_ws.malformed' "$work/protocols.txt")
  if [ "$frames" -gt 0 ] && [ "$malformed" -eq 0 ]; then pass capture_decodes_cleanly; else
    fail capture_decodes_cleanly "$malformed malformed of $frames frames"; fi
fi

[ "$skipped" -eq 0 ] || echo "$skipped skipped"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
