#!/usr/bin/env bash
# Saves a PNG picture of every dialog of TmrxInt, filled with the example
# model screenshots/example.txt, by playing screenshots/dialogs.script with
# tmrxcfg. Needs a display: run it under scripts/with-xvfb.sh.
#
#   take_screenshots.sh [--wine "COMMAND"] TMRXCFG.EXE OUTPUT_DIR
#
# COMMAND runs a Windows program (default: scripts/wine.sh). Fails unless
# tmrxcfg played the whole script and every named picture shows its dialog
# (check_pictures.py).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../../.." && pwd)
wine="$root/scripts/wine.sh"
if [ "${1:-}" = --wine ]; then
  wine=$2
  shift 2
fi
[ $# = 2 ] || { sed -n '2,10s/^# \{0,1\}//p' "${BASH_SOURCE[0]}" >&2; exit 2; }
tmrxcfg=$1
out=$(realpath -m "$2")

# Wine sees this machine's root as drive Z:.
windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }

rm -rf "$out"
mkdir -p "$out"
# shellcheck disable=SC2086 # COMMAND is a command line
$wine "$tmrxcfg" --headless \
  --script "$(windows_path "$here/screenshots/dialogs.script")" \
  --pictures "$(windows_path "$out")" \
  "$(windows_path "$here/screenshots/example.txt")"
python3 "$root/tools/tmrxcfg/bmp_to_png.py" "$out"

# Each named picture must be its dialog, drawn at its template's size.
python3 "$here/check_pictures.py" "$out"
echo "take_screenshots.sh: pictures in $out"
