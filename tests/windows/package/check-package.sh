#!/usr/bin/env bash
# Makes the package from a built win32 tree into DIR and checks it:
#
#   check-package.sh BUILD_DIR DIR
#
# exactly Trx4n5.sys, Trx4n5.inf, TmrxInt.dll and SHA256SUMS in DIR, the sums
# right, the image the build's own, the library without debug sections but
# with the build's exports, the debug files beside DIR and not in it.
set -uo pipefail

[ $# -eq 2 ] || { sed -n '2,7s/^# \{0,1\}//p' "$0" >&2; exit 2; }
build=$1 dir=$2
scripts=$(cd "$(dirname "$0")/../../../scripts" && pwd)
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

rm -rf "$dir" "$(dirname "$dir")/Trx4n5.sys.debug" "$(dirname "$dir")/TmrxInt.dll.debug"
mkdir -p "$dir"
touch "$dir/TmrxInt.dll"   # a stale file is replaced
"$scripts/make-package.sh" "$build" "$dir" || { echo "FAIL: make-package.sh"; exit 1; }

[ "$(cd "$dir" && ls | sort | tr '\n' ' ')" = "SHA256SUMS TmrxInt.dll Trx4n5.inf Trx4n5.sys " ] ||
  fail "package holds: $(ls "$dir" | tr '\n' ' ')"
(cd "$dir" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match"
[ "$(wc -l <"$dir/SHA256SUMS")" -eq 3 ] || fail "SHA256SUMS does not list three files"
cmp -s "$dir/Trx4n5.sys" "$build/net/win32/Trx4n5.sys" || fail "Trx4n5.sys is not the built image"
[ -s "$(dirname "$dir")/Trx4n5.sys.debug" ] || fail "no Trx4n5.sys.debug beside $dir"
[ -s "$(dirname "$dir")/TmrxInt.dll.debug" ] || fail "no TmrxInt.dll.debug beside $dir"
objdump=i686-w64-mingw32-objdump
exports() { "$objdump" -p "$1" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p'; }
"$objdump" -h "$dir/TmrxInt.dll" | grep -q '\.debug_' && fail "TmrxInt.dll ships with debug sections"
[ "$(exports "$dir/TmrxInt.dll")" = "$(exports "$build/intermed/gui/TmrxInt.dll")" ] ||
  fail "TmrxInt.dll's exports differ from the built library's"
exports "$dir/TmrxInt.dll" | grep -q '_doTmrxLink@12' || fail "TmrxInt.dll does not export _doTmrxLink@12"
"$scripts/make-package.sh" "$build" >/dev/null 2>&1 && fail "a missing folder argument is accepted"
"$scripts/make-package.sh" "$build/nothing-here" "$dir" >/dev/null 2>&1 && fail "a tree without the build is accepted"

[ "$failures" -eq 0 ] || exit 1
echo "package in $dir checks out"
