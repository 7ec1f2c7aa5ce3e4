#!/bin/bash
# Inside the QEMU PC (the QEMU group): a 21143 not lent to user space, and a
# caller that is not root, are refused with a message and exit status 2.
#   pci-errors-in-guest.sh TRXDIAG
diag=$1
function=0000:00:11.0
uio=/sys/bus/pci/drivers/uio_pci_generic
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

out=$(setpriv --reuid=65534 --regid=65534 --clear-groups "$diag" --pci "$function" 2>&1 >/dev/null)
status=$?
[ "$status" -eq 2 ] && [[ "$out" == *"needs root"* ]] || fail "not root: exit $status, said: $out"

echo "$function" >"$uio/unbind" || fail "cannot unbind $function"
out=$("$diag" --pci "$function" 2>&1 >/dev/null)
status=$?
echo "$function" >"$uio/bind" || fail "cannot bind $function again"
[ "$status" -eq 2 ] && [[ "$out" == *"is bound to no driver, not to uio_pci_generic"* ]] ||
  fail "not lent to user space: exit $status, said: $out"
[ "$failures" -eq 0 ] && echo "both refused"
[ "$failures" -eq 0 ]
