#!/usr/bin/env bash
# Makes a freshly linked kernel driver image what the loader expects of a
# shipped one, in place:
#
#   finish-kernel-image.sh --objcopy TOOL IMAGE.sys
#
# - its debug sections move into IMAGE.sys.debug beside it, which the image
#   names in a .gnu_debuglink section (the COFF symbol table stays);
# - a section INIT (the driver's initialization code) is marked discardable:
#   neither gas nor ld have a flag for that, and objcopy's only route to it
#   would also mark the code as initialized data;
# - the header holds the image's true checksum (scripts/pe-image.py).
# Exit 0 when done, 1 when a step fails, 2 on bad usage.
set -euo pipefail

usage() { sed -n '2,13s/^# \{0,1\}//p' "${BASH_SOURCE[0]}" >&2; exit 2; }

objcopy=objcopy
while [ $# -gt 0 ]; do
  case "$1" in
    --objcopy) [ $# -ge 2 ] || usage; objcopy=$2; shift 2 ;;
    -h|--help) usage ;;
    -*) echo "finish-kernel-image.sh: unknown option $1" >&2; usage ;;
    *) break ;;
  esac
done
[ $# -eq 1 ] || usage
image=$1
[ -f "$image" ] || { echo "finish-kernel-image.sh: no such file: $image" >&2; exit 2; }
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
pe_image=$here/pe-image.py

debug=$image.debug
"$objcopy" --only-keep-debug "$image" "$debug" || exit 1
# The link names the debug file by its base name; objcopy reads it for its CRC.
"$objcopy" --strip-debug --add-gnu-debuglink="$debug" "$image" || exit 1
if "$pe_image" characteristics "$image" INIT >/dev/null 2>&1; then
  "$pe_image" discard "$image" INIT || exit 1
fi
"$pe_image" checksum --write "$image" >/dev/null || exit 1
