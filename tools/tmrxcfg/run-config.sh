#!/usr/bin/env bash
# Plays the installer of TmrxInt.dll with a text list: tmrxcfg.exe under
# wine64 calls doTmrxLink with FILE and prints the text it returns.
#
#   run-config.sh [--32 [--machine]] [--headless] [--script ACTIONS] [--pictures DIR] FILE
#
# Without --headless the dialogs open on $DISPLAY for you to use. With
# --headless they open on a private Xvfb display: ACTIONS (see
# tools/tmrxcfg/action_script.h; by default: confirm the first message box
# and the main trunk dialog) is played, and a picture of each dialog goes to
# DIR (default: screenshots), as PNG. --32 plays with the 32-bit tmrxcfg.exe
# and TmrxInt.dll under wine32: here when this kernel runs 32-bit programs,
# else (or with --machine) inside the x86 machine, always headless there
# (the machine has no way to your display). Builds what it needs first.
set -u -o pipefail
cd "$(dirname "$0")/../.."
. scripts/deps.sh

usage() { sed -n '2,14s/^# \{0,1\}//p' tools/tmrxcfg/run-config.sh >&2; exit 2; }

# Wine sees this machine's root as drive Z:.
windows_path() { printf 'Z:%s' "$(realpath -m "$1")" | tr / '\\'; }

preset=win64
wine=(scripts/wine.sh)
machine=0
headless=0
script=
pictures=
list=
while [ $# -gt 0 ]; do
  case $1 in
    --32) preset=win32; wine=(scripts/wine.sh --32); shift ;;
    --machine) machine=1; shift ;;
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
[ $machine = 0 ] || [ $preset = win32 ] || { echo "run-config.sh: --machine goes with --32" >&2; usage; }
if [ $preset = win32 ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  machine=1
fi
if [ $machine = 1 ] && [ $headless = 0 ]; then
  echo "run-config.sh: --32 plays inside the x86 machine, which has no way to your display: headless" >&2
  headless=1
fi

tmrx_ensure_packages >&2 || exit 1
targets=(tmrxcfg)
# In the machine the desktop process starts slower than a first window waits
# for it: desktop_ready.exe waits for it and keeps it up for the play.
[ $machine = 0 ] || targets+=(desktop_ready)
tmrx_build $preset --target "${targets[@]}" || exit 1
tmrxcfg=build/$preset/tools/tmrxcfg/tmrxcfg.exe

if [ $headless = 0 ]; then
  [ -n "${DISPLAY:-}" ] || { echo "run-config.sh: no DISPLAY; use --headless" >&2; exit 2; }
  args=()
  [ -z "$script" ] || args+=(--script "$(windows_path "$script")")
  [ -z "$pictures" ] || { mkdir -p "$pictures"; args+=(--pictures "$(windows_path "$pictures")"); }
  exec "${wine[@]}" "$tmrxcfg" "${args[@]}" "$(windows_path "$list")"
fi

pictures=${pictures:-screenshots}
mkdir -p "$pictures" || exit 2
# The machine sees only the project folder of the host's files: the list, the
# actions and the pictures pass through a folder in the build tree.
stage=$(mktemp -d "build/$preset/config.XXXXXX") || exit 2
trap 'rm -rf "$stage"' EXIT
cp "$list" "$stage/list"
mkdir "$stage/pictures"
args=(--headless --pictures "$(windows_path "$stage/pictures")")
[ -z "$script" ] || { cp "$script" "$stage/actions"; args+=(--script "$(windows_path "$stage/actions")"); }
play=(scripts/with-xvfb.sh "${wine[@]}" "$tmrxcfg" "${args[@]}" "$(windows_path "$stage/list")")
if [ $machine = 1 ]; then
  printf -v ready '%q ' "${wine[@]}" build/$preset/tests/windows/harness/desktop_ready.exe
  printf -v line '%q ' "${wine[@]}" "$tmrxcfg" "${args[@]}" "$(windows_path "$stage/list")"
  scripts/vm/run-vm.sh --tulips 0 -- scripts/with-xvfb.sh bash -c "$(printf '%q' "$ready && $line")"
else
  "${play[@]}"
fi
status=$?
python3 tools/tmrxcfg/bmp_to_png.py "$stage/pictures" || status=1
cp -r "$stage/pictures/." "$pictures/" || status=1
exit $status
