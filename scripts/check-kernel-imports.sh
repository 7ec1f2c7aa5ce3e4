#!/usr/bin/env bash
# Checks a kernel driver image: PE32, native subsystem, no global
# constructors, imports only from the kernel's modules, and the imports a
# driver must make.
#
#   check-kernel-imports.sh [--objdump TOOL] [--dll NAME]... IMAGE.sys [FUNCTION...]
#
# The allowed modules default to NDIS.SYS, ntoskrnl.exe and HAL.dll (names
# compare without regard to case); each --dll replaces the defaults. Every
# FUNCTION named must be imported from one of them.
# Exit 0 when all holds, 1 listing what does not, 2 on bad usage.
set -euo pipefail

usage() { sed -n '2,11s/^# \{0,1\}//p' "${BASH_SOURCE[0]}" >&2; exit 2; }

objdump=objdump
dlls=()
while [ $# -gt 0 ]; do
  case "$1" in
    --objdump) [ $# -ge 2 ] || usage; objdump=$2; shift 2 ;;
    --dll) [ $# -ge 2 ] || usage; dlls+=("$2"); shift 2 ;;
    -h|--help) usage ;;
    --) shift; break ;;
    -*) echo "check-kernel-imports.sh: unknown option $1" >&2; usage ;;
    *) break ;;
  esac
done
[ $# -ge 1 ] || usage
image=$1
shift
[ ${#dlls[@]} -gt 0 ] || dlls=(NDIS.SYS ntoskrnl.exe HAL.dll)
[ -f "$image" ] || { echo "check-kernel-imports.sh: no such file: $image" >&2; exit 2; }
command -v "$objdump" >/dev/null || { echo "check-kernel-imports.sh: $objdump not found" >&2; exit 2; }

headers=$("$objdump" -p "$image") || { echo "check-kernel-imports.sh: $objdump -p failed on $image" >&2; exit 2; }
symbols=$("$objdump" -t "$image" 2>/dev/null || true)
problems=()

grep -Eq '^Magic[[:space:]]+010b' <<<"$headers" || problems+=("not a PE32 image")
grep -Eq '^Subsystem[[:space:]]+0+1[[:space:]]' <<<"$headers" || problems+=("subsystem is not native (1)")
if grep -Eq '_GLOBAL__sub_I_' <<<"$symbols"; then
  problems+=("has global constructors, which nothing would run: $(grep -Eo '_GLOBAL__sub_I_[[:alnum:]_]*' <<<"$symbols" | sort -u | tr '\n' ' ')")
fi

lower() { tr '[:upper:]' '[:lower:]'; }
allowed=$(printf '%s\n' "${dlls[@]}" | lower | sort -u)
imported=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | lower | sort -u)
extra=$(comm -23 <(echo "$imported") <(echo "$allowed") | sed '/^$/d')
[ -z "$extra" ] || problems+=("imports from modules outside ${dlls[*]}: $(echo $extra)")

# Functions imported from the allowed modules: the member names of their
# import tables.
functions=$(awk -v allowed="$allowed" '
  BEGIN { n = split(allowed, a, "\n"); for (i = 1; i <= n; i++) ok[a[i]] = 1 }
  /DLL Name:/ { dll = tolower($3); take = (dll in ok); next }
  /^[[:space:]]*$/ { next }
  take && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ { print $3 }
' <<<"$headers" | sort -u)
missing=()
for f in "$@"; do
  grep -qxF "$f" <<<"$functions" || missing+=("$f")
done
[ ${#missing[@]} -eq 0 ] || problems+=("does not import: ${missing[*]}")

if [ ${#problems[@]} -gt 0 ]; then
  echo "$image:"
  printf '  %s\n' "${problems[@]}"
  exit 1
fi
echo "$image: PE32, native, imports $(echo "$functions" | wc -l) functions from $(echo $imported)"
