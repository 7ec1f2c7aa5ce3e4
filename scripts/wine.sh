#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's own prefix and passes
# its exit code through.
#
#   wine.sh [--32] [--prefix DIR] PROGRAM [ARGS...]
#   wine.sh [--32] [--prefix DIR] --stop   stop the prefix's wineserver and its programs
#
# By default a 64-bit program under wine64 in build/win64/wineprefix (or
# $TMRX_WINEPREFIX); --32 runs a 32-bit one under wine32 in its own 32-bit
# prefix, build/win32/wineprefix. The prefix is created on first use, and
# again when the way it is made or Wine has changed. A lock next to it makes
# creation safe when several tests start at once. The wineserver is started
# persistent, so that a run of many short test programs pays its start-up only
# once; it exits by itself $TMRX_WINESERVER_LINGER seconds (default 15) after
# the last program, or when scripts/with-xvfb.sh stops it. Programs that open
# windows need $DISPLAY.
#
# The loaders are called directly instead of the `wine` wrapper. This
# machine's kernel cannot execute 32-bit x86 code: --32 works inside the x86
# machine (scripts/vm/).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
arch=win64
prefix=${TMRX_WINEPREFIX:-}
linger=${TMRX_WINESERVER_LINGER:-15}

usage() {
  sed -n '2,7s/^# \{0,1\}//p' "${BASH_SOURCE[0]}" >&2
  exit 2
}

die() {
  echo "wine.sh: $*" >&2
  exit 2
}

stop=0
while [ $# -gt 0 ]; do
  case $1 in
    --prefix)
      [ $# -ge 2 ] || die "--prefix needs a directory"
      prefix=$2
      shift 2
      ;;
    --stop) stop=1; shift ;;
    --32) arch=win32; shift ;;
    -h|--help) usage ;;
    --) shift; break ;;
    -*) die "unknown option '$1' (see --help)" ;;
    *) break ;;
  esac
done

prefix=${prefix:-$here/../build/$arch/wineprefix}
# The binaries, not Debian's wrapper scripts: the wrappers force -p0.
if [ $arch = win64 ]; then
  loader=${TMRX_WINE64:-/usr/lib/wine/wine64}
  wineserver=${TMRX_WINESERVER:-/usr/lib/wine/wineserver64}
  package=wine64
else
  loader=${TMRX_WINE32:-/usr/lib/wine/wine}
  wineserver=${TMRX_WINESERVER32:-/usr/lib/wine/wineserver32}
  package=wine32:i386
fi
[ -x "$loader" ] || die "no $arch loader at $loader (apt-get install $package)"
[ -x "$wineserver" ] || die "no wineserver at $wineserver (apt-get install $package)"
[[ $linger =~ ^[0-9]+$ ]] || die "TMRX_WINESERVER_LINGER must be a number of seconds, not '$linger'"

WINEPREFIX=$(realpath -m "$prefix")
export WINEPREFIX WINESERVER=$wineserver WINEARCH=$arch WINEDEBUG=${WINEDEBUG:--all}
# No Mono/Gecko install prompts, no menu entries written into $HOME.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

if [ $stop = 1 ]; then
  [ $# = 0 ] || die "--stop takes no program"
  if [ -d "$WINEPREFIX" ]; then
    "$wineserver" -k 2>/dev/null || true
    "$wineserver" -w 2>/dev/null || true
  fi
  exit 0
fi

if [ $arch = win32 ] && ! "$loader" --version >/dev/null 2>&1; then
  die "this kernel cannot run the 32-bit loader $loader: run it inside the x86 machine (./run.sh vm)"
fi
[ $# -ge 1 ] || usage
program=$1
shift
# Paths must exist; bare names (cmd, reg, notepad) are Wine's own programs.
case $program in */*) [ -e "$program" ] || die "no such program: $program" ;; esac

ready_mark=$WINEPREFIX/.tmrx-prefix-ready
# The mark holds the Wine it was made with: another Wine makes it anew.
stamp="$(stat -Lc '%s %Y' "$loader" "$wineserver" | tr '\n' ' ')"

start_server() {
  # A second start while one runs for this prefix is a harmless no-op. The
  # daemon must not inherit the lock or the caller's output pipes.
  "$wineserver" -p"$linger" </dev/null >/dev/null 2>&1 9>&- || true
  # with-xvfb.sh stops every prefix its session used.
  if [ -n "${TMRX_WINE_SESSION:-}" ] &&
     ! grep -qxF "$WINEPREFIX" "$TMRX_WINE_SESSION/wineprefixes" 2>/dev/null; then
    echo "$WINEPREFIX" >>"$TMRX_WINE_SESSION/wineprefixes"
  fi
}

set_value() {
  "$loader" reg add "$1" /v "$2" /t "$3" /d "$4" /f >/dev/null 2>&1 9>&- ||
    die "could not set $1\\$2 in $WINEPREFIX"
}

create_prefix() {
  echo "wine.sh: creating wine prefix $WINEPREFIX" >&2
  # Whatever an interrupted creation left behind is unusable.
  "$wineserver" -k 2>/dev/null || true
  "$wineserver" -w 2>/dev/null || true
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  start_server
  # The programs wineboot leaves running must not hold the lock (fd 9).
  "$loader" wineboot -i >/dev/null 2>&1 9>&- ||
    die "wineboot -i failed for $WINEPREFIX"
  # A crashing test must end, not wait for someone to close a crash dialog.
  set_value 'HKCU\Software\Wine\WineDbg' ShowCrashDialog REG_DWORD 0
  # Xvfb has no window manager: managed windows would wait two seconds for
  # one each time they are hidden.
  set_value 'HKCU\Software\Wine\X11 Driver' Managed REG_SZ N
  # Debian's Wine 8 looks for its own fonts (fonts-wine) in
  # Z:\usr\share\wine\../fonts, a path it cannot open: without them the
  # caption buttons' Marlett falls back to Liberation Mono, whose "r" then
  # stands in for the close box, and the dialogs' fonts to Liberation Sans.
  # The prefix's Fonts folder, which Wine does read, gets them instead.
  ln -sf "${TMRX_WINE_FONTS:-/usr/share/wine/fonts}"/* "$WINEPREFIX/drive_c/windows/Fonts/" ||
    die "could not link Wine's fonts into $WINEPREFIX"
  # The dialog templates' fonts as a Windows 2000-class machine has them:
  # MS Shell Dlg is MS Sans Serif there (Wine's own substitute is Tahoma, whose
  # wider glyphs wrap and cut labels); MS Serif, which Wine does not have,
  # becomes the Times New Roman stand-in, where Wine sends its old name, Tms Rmn.
  local substitutes='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
  set_value "$substitutes" 'MS Shell Dlg' REG_SZ 'MS Sans Serif'
  set_value "$substitutes" 'MS Serif' REG_SZ 'Liberation Serif'
  echo "$recipe $stamp" >"$ready_mark"
}

# A prefix made by another version of create_prefix is made again.
recipe=$(declare -f create_prefix set_value | sha256sum | cut -c1-16)

mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.lock"
flock 9
if [ "$(cat "$ready_mark" 2>/dev/null)" = "$recipe $stamp" ]; then
  start_server
else
  create_prefix
fi
exec 9>&-

[ -n "${DISPLAY:-}" ] ||
  echo "wine.sh: DISPLAY is not set, windows cannot be opened (run under scripts/with-xvfb.sh)" >&2

# Programs that this one starts, the desktop process among them, inherit its
# output and may outlive it by a second or more. A caller that reads to the
# end of output (ctest) would wait for them, so the output goes through a
# file that is followed until the program itself exits. stderr joins stdout.
log=$(mktemp "${TMRX_WINE_SESSION:-${TMPDIR:-/tmp}}/tmrx-wine.XXXXXX")
copy=
trap 'rm -rf "$log" $copy' EXIT
# Inside the x86 machine Wine loads a program image from the shared project
# folder with parts of it zero: the program runs from a copy on the machine's
# own /tmp, with the DLLs beside it.
if [ -n "${TMRX_IN_VM:-}" ] && [[ $program == */* ]]; then
  copy=$(mktemp -d /tmp/tmrx-program.XXXXXX)
  cp "$program" "$copy/" && find "$(dirname "$program")" -maxdepth 1 -iname '*.dll' -exec cp -t "$copy" {} + ||
    die "could not copy $program into $copy"
  program=$copy/$(basename "$program")
fi
# The program reads this script's input; a background job would get /dev/null.
if [ -e /proc/self/fd/0 ]; then exec 3<&0; else exec 3</dev/null; fi
"$loader" "$program" "$@" <&3 3<&- >"$log" 2>&1 &
pid=$!
tail -n +1 -s 0.05 -f --pid="$pid" "$log" &
tail_pid=$!
# Waiting in the background lets a signal stop the program at once; Wine does
# not always end a program on SIGTERM, and a stopped test must end.
trap 'kill -KILL "$pid" 2>/dev/null' INT TERM
status=0
wait "$pid" || status=$?
wait "$tail_pid" || true
exit "$status"
