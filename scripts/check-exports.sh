#!/usr/bin/env bash
# Compares a DLL's export table with an expected list of exports.
#
#   check-exports.sh [--objdump TOOL] DLL 'ORDINAL NAME'...
#
# Each expected export is its ordinal and its exported name ('5 _doTest@12');
# an export by ordinal only is its ordinal alone ('7'). The table must hold
# exactly these, no more. Reads the table with objdump -p, so it works for
# either architecture without running anything. Exit 0 on a match, 1 with a
# difference listing otherwise, 2 on bad usage.
set -euo pipefail

objdump=objdump
if [ "${1:-}" = --objdump ]; then
  [ $# -ge 2 ] || { echo "check-exports.sh: --objdump needs a tool" >&2; exit 2; }
  objdump=$2
  shift 2
fi
if [ $# -lt 2 ]; then
  sed -n '2,4s/^# \{0,1\}//p' "${BASH_SOURCE[0]}" >&2
  exit 2
fi
dll=$1
shift
[ -f "$dll" ] || { echo "check-exports.sh: no such file: $dll" >&2; exit 2; }
command -v "$objdump" >/dev/null || { echo "check-exports.sh: $objdump not found" >&2; exit 2; }

for entry in "$@"; do
  [[ $entry =~ ^[0-9]+(\ [^[:space:]]+)?$ ]] ||
    { echo "check-exports.sh: bad expected export '$entry' (want 'ORDINAL NAME' or 'ORDINAL')" >&2; exit 2; }
done

dump=$("$objdump" -p "$dll") || { echo "check-exports.sh: $objdump -p failed on $dll" >&2; exit 2; }

# The address table gives every exported ordinal ("+base[   5]"); the name
# table gives each name with its ordinal less the base ("[   0] name").
actual=$(awk '
  /^Ordinal Base[ \t]/ { base = $NF }
  /^Export Address Table -- / { table = "address"; next }
  /^\[Ordinal\/Name Pointer\] Table/ { table = "names"; next }
  /^$/ { table = "" }
  table == "address" && match($0, /\+base\[ *[0-9]+\]/) {
    ord = substr($0, RSTART + 6, RLENGTH - 7) + 0
    named[ord] = named[ord] ""
  }
  table == "names" && match($0, /^\t\[ *[0-9]+\] /) {
    ord = substr($0, 3, RLENGTH - 4) + base
    named[ord] = substr($0, RLENGTH + 1)
  }
  END { for (ord in named) print (named[ord] == "" ? ord : ord " " named[ord]) }
' <<<"$dump" | sort -n)
expected=$(printf '%s\n' "$@" | sort -n)

if [ "$actual" != "$expected" ]; then
  echo "Export table of $dll does not match (- expected, + actual):"
  diff <(echo "$expected") <(echo "$actual") | sed -n '/^[<>] $/d; s/^</-/p; s/^>/+/p' || true
  [ -n "$actual" ] || echo "  (the file has no exports)"
  exit 1
fi
echo "Export table of $dll: $(echo "$actual" | wc -l) exports as expected"
echo "$actual" | sed 's/^/  /'
