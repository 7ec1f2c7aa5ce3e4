#!/usr/bin/env bash
# Plays the installer of TmrxInt.dll with a text list: tmrxcfg.exe under
# wine64 calls doTmrxLink with FILE and prints the text it returns.
#
#   run-config.sh [--headless] [--script ACTIONS] [--pictures DIR] FILE
#
# Without --headless the dialogs open on $DISPLAY for you to use. With
# --headless they open on a private Xvfb display: ACTIONS (see
# tools/tmrxcfg/action_script.h; by default: confirm the first message box
# and the main trunk dialog) is played, and a picture of each dialog goes to
# DIR (default: screenshots), as PNG. Builds what it needs first.
set -u -o pipefail
cd "$(dirname "$0")/../.."
. scripts/deps.sh

usage() { sed -n '2,11s/^# \{0,1\}//p' tools/tmrxcfg/run-config.sh >&2; exit 2; }

# Wine sees this machine's root as drive Z:.
windows_path() { printf 'Z:%s' "$(realpath -m "$1")" | tr / '\\'; }

headless=0
script=
pictures=
list=
while [ $# -gt 0 ]; do
  case $1 in
    --headless) headless=1; shift ;;
    --script) [ $# -ge 2 ] || usage; script=$2; shift 2 ;;
    --pictures) [ $# -ge 2 ] || usage; pictures=$2; shift 2 ;;
    -h|--help) usage ;;
    -*) echo "run-config.sh: unknown option '$1'" >&2; usage ;;
    *) [ -z "$list" ] || usage; list=$1; shift ;;
  esac
done
[ -n "$list" ] || usage
[ -r "$list" ] || { echo "run-config.sh: cannot read $list" >&2; exit 2; }
[ -z "$script" ] || [ -r "$script" ] || { echo "run-config.sh: cannot read $script" >&2; exit 2; }

tmrx_ensure_packages >&2 || exit 1
tmrx_build win64 --target tmrxcfg || exit 1

args=()
[ -z "$script" ] || args+=(--script "$(windows_path "$script")")
if [ $headless = 1 ]; then
  pictures=${pictures:-screenshots}
  mkdir -p "$pictures"
  args+=(--headless --pictures "$(windows_path "$pictures")")
  scripts/with-xvfb.sh scripts/wine.sh build/win64/tools/tmrxcfg/tmrxcfg.exe "${args[@]}" "$(windows_path "$list")"
  status=$?
  python3 tools/tmrxcfg/bmp_to_png.py "$pictures" || status=1
  exit $status
fi
[ -n "${DISPLAY:-}" ] || { echo "run-config.sh: no DISPLAY; use --headless" >&2; exit 2; }
[ -z "$pictures" ] || { mkdir -p "$pictures"; args+=(--pictures "$(windows_path "$pictures")"); }
exec scripts/wine.sh build/win64/tools/tmrxcfg/tmrxcfg.exe "${args[@]}" "$(windows_path "$list")"
