#!/usr/bin/env bash
# Checks that a built Trx4n5.sys is the image that ships:
#
#   check-shipped-image.sh OBJDUMP OBJCOPY WINDRES IMAGE.sys
#
# no debug sections, a debug link to IMAGE.sys.debug (which holds them), the
# entry point inside a discardable INIT section, a driver version block of
# version 3.1, and the true checksum (recomputed by scripts/pe-image.py,
# whose sum is first checked against the one binutils writes).
set -uo pipefail

[ $# -eq 4 ] || { sed -n '2,9s/^# \{0,1\}//p' "$0" >&2; exit 2; }
objdump=$1 objcopy=$2 windres=$3 image=$4
pe_image=$(cd "$(dirname "$0")/../../../scripts" && pwd)/pe-image.py
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

sections=$("$objdump" -h "$image") || { echo "objdump -h failed on $image"; exit 1; }
grep -Eq '^ +[0-9]+ \.debug_' <<<"$sections" && fail "debug sections left in the image"
grep -q '\.debug_info' < <("$objdump" -h "$image.debug") || fail "no .debug_info in $image.debug"
"$objdump" -s -j .gnu_debuglink "$image" | grep -q 'Trx4n5.sys.debug' || fail "no debug link naming Trx4n5.sys.debug"

# INIT's start and size against the entry point.
read -r init_vma init_size < <(awk '$2 == "INIT" { print $4, $3 }' <<<"$sections")
entry=$("$objdump" -f "$image" | sed -n 's/^start address 0x//p')
if [ -z "${init_vma:-}" ] || [ -z "$entry" ]; then
  fail "no INIT section or no start address"
elif (( 0x$entry < 0x$init_vma || 0x$entry >= 0x$init_vma + 0x$init_size )); then
  fail "entry point 0x$entry lies outside INIT (0x$init_vma, 0x$init_size bytes)"
fi
flags=$("$pe_image" characteristics "$image" INIT) || fail "cannot read INIT's characteristics"
(( ${flags:-0} & 0x02000000 )) || fail "INIT is not discardable (characteristics $flags)"
(( (${flags:-0} & 0x20000020) == 0x20000020 )) || fail "INIT is not executable code (characteristics $flags)"

# The checksum algorithm against binutils', which sums every image it writes.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"$objcopy" "$image" "$scratch/rewritten.sys"
written=$("$objdump" -p "$scratch/rewritten.sys" | awk '$1 == "CheckSum" { print $2 }')
"$pe_image" checksum "$scratch/rewritten.sys" | grep -qi "stored 0x$written, true 0x$written" ||
  fail "pe-image.py and binutils disagree about the checksum of a rewritten copy"
"$pe_image" checksum "$image" || fail "wrong checksum"
[ "$("$objdump" -p "$image" | awk '$1 == "CheckSum" { print $2 }')" != 00000000 ] || fail "checksum is zero"
cp "$image" "$scratch/damaged.sys"
python3 -c 'import sys; f = open(sys.argv[1], "r+b"); f.seek(1100); b = f.read(1); f.seek(1100); f.write(bytes([b[0] ^ 1]))' "$scratch/damaged.sys"
"$pe_image" checksum "$scratch/damaged.sys" >/dev/null && fail "a changed byte goes unnoticed"

version=$("$windres" -i "$image" -O rc 2>&1) || fail "windres cannot read the resources: $version"
for want in 'FILEVERSION 3, 1, 0, 0' 'FILETYPE 0x3' 'FILESUBTYPE 0x6' \
             'VALUE "FileDescription", "Tamrix K250 (NDIS5) Network Adapter"' \
             'VALUE "OriginalFilename", "Trx4n5.sys"' \
             'VALUE "ProductName", "Tamrix Port Aggregation Software"'; do
  grep -qF "$want" <<<"$version" || fail "version block lacks: $want"
done

[ "$failures" -eq 0 ] || exit 1
echo "$image: stripped, entry in discardable INIT, version 3.1, checksum correct"
