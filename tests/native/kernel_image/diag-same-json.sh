#!/bin/sh
# diag-same-json.sh TRXDIAG: trxdiag answers the same JSON over the natively
# built driver and over the shipped kernel image, for several set-ups.
set -u
trxdiag=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failed=0
while read -r options; do
  # shellcheck disable=SC2086
  "$trxdiag" $options >"$tmp/native.json" 2>&1
  # shellcheck disable=SC2086
  "$trxdiag" --kernel-image $options >"$tmp/image.json" 2>&1
  if ! cmp -s "$tmp/native.json" "$tmp/image.json"; then
    echo "FAIL: trxdiag $options differs:"
    diff "$tmp/native.json" "$tmp/image.json" | head -20
    failed=1
  fi
done <<'LIST'
--dump all --query OID_GEN_LINK_SPEED --query OID_802_3_CURRENT_ADDRESS
--keyword-string Options=0_134217728 --cache-line 0 --set OID_GEN_CURRENT_PACKET_FILTER=09000000 --dump setup
--phy none --keyword ConnectionType=2 --query OID_GEN_MAC_OPTIONS --dump txring
--keyword MapThreshold=0 --keyword TxRingSize=16 --no-interrupt --dump txring
--pci-id 12345678
--partner none --query OID_GEN_MEDIA_CONNECT_STATUS --query OID_GEN_XMIT_OK
LIST
exit $failed
