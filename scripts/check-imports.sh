#!/usr/bin/env bash
# Checks that a Windows binary imports from no DLL outside an allowed list.
#
#   check-imports.sh [--objdump TOOL] BINARY ALLOWED.dll...
#
# Catches a DLL that would not load on a clean system, such as one that still
# needs the compiler's runtime DLLs. Names compare without regard to case.
# Exit 0 when every import is allowed, 1 listing the others, 2 on bad usage.
set -euo pipefail

objdump=objdump
if [ "${1:-}" = --objdump ]; then
  [ $# -ge 2 ] || { echo "check-imports.sh: --objdump needs a tool" >&2; exit 2; }
  objdump=$2
  shift 2
fi
if [ $# -lt 2 ]; then
  sed -n '2,4s/^# \{0,1\}//p' "${BASH_SOURCE[0]}" >&2
  exit 2
fi
binary=$1
shift
[ -f "$binary" ] || { echo "check-imports.sh: no such file: $binary" >&2; exit 2; }
command -v "$objdump" >/dev/null || { echo "check-imports.sh: $objdump not found" >&2; exit 2; }

dump=$("$objdump" -p "$binary") || { echo "check-imports.sh: $objdump -p failed on $binary" >&2; exit 2; }
imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump" | tr '[:upper:]' '[:lower:]' | sort -u)
allowed=$(printf '%s\n' "$@" | tr '[:upper:]' '[:lower:]' | sort -u)
extra=$(comm -23 <(echo "$imports") <(echo "$allowed") | sed '/^$/d')

if [ -n "$extra" ]; then
  echo "$binary imports from DLLs outside the allowed list:"
  echo "$extra" | sed 's/^/  /'
  exit 1
fi
echo "$binary imports only from allowed DLLs:"
echo "$imports" | sed '/^$/d; s/^/  /'
