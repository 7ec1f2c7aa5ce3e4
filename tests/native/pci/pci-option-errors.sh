#!/bin/bash
# Bad --pci input to the tools: each gets a message saying what is wrong and
# exit status 2, on any Linux machine (nothing here needs a 21143).
#   pci-option-errors.sh TRXDIAG TRXDEMO TRXLAB
diag=$1 demo=$2 lab=$3
failures=0
expect() {  # WHAT TEXT COMMAND...
  local what=$1 text=$2 out status
  shift 2
  out=$("$@" 2>&1 >/dev/null)
  status=$?
  if [ "$status" -ne 2 ] || [[ "$out" != *"$text"* ]]; then
    echo "FAIL: $what: exit $status, said: $out" >&2
    failures=$((failures + 1))
  fi
}
expect "no such function" "there is no PCI function 0000:ff:1f.7" "$diag" --pci 0000:ff:1f.7
expect "two addresses for one port" "give at most 1 PCI address" "$diag" --pci 0000:ff:1f.6,0000:ff:1f.7
expect "--as-k250 alone" "--as-k250 goes with --pci" "$diag" --as-k250
expect "a board option" "--phy describes the simulated board" "$diag" --pci --phy 7810
expect "not an address" "unknown option 12:34" "$diag" --pci 12:34
expect "a board profile" "--board describes simulated boards" "$demo" --pci --board realistic
# The lab's wire options: the cable between real functions is not the lab's.
# (A lab that wrongly starts ends after a second, under a name of its own.)
lab_once=("$lab" --name "pe$$" --duration 1)
expect "lab: --as-k250 alone" "--as-k250 goes with --pci" "${lab_once[@]}" --as-k250
expect "lab: a capture" "--pcap describes the simulated wire" "${lab_once[@]}" --pci --pcap /tmp/never.pcap
expect "lab: an unlimited wire" "--unlimited describes the simulated wire" "${lab_once[@]}" --unlimited --pci
expect "lab: a board profile" "--board describes the simulated wire and boards" "${lab_once[@]}" --pci --board realistic
if [ "$(id -u)" = 0 ] && ! ls /sys/bus/pci/drivers/uio_pci_generic/ 2>/dev/null | grep -q '^0000:'; then
  expect "lab: no functions bound" "needs 2 DEC 21143 function(s) bound to uio_pci_generic, found 0" "${lab_once[@]}" --pci
fi
[ "$failures" -eq 0 ] && echo "every bad input refused"
[ "$failures" -eq 0 ]
