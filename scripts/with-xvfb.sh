#!/usr/bin/env bash
# Runs a command inside a private Xvfb display and returns its exit code.
#
#   with-xvfb.sh CMD [ARGS...]
#
# Xvfb picks the first free display number itself (-displayfd), so parallel
# runs never race for one. DISPLAY and XAUTHORITY point the command at it. On
# the way out the wineservers that scripts/wine.sh started for this run are
# stopped (unless another with-xvfb.sh run is still going: then they exit by
# themselves once idle), and the display is shut down.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
xvfb=${TMRX_XVFB:-Xvfb}
screen=${TMRX_XVFB_SCREEN:-1280x1024x24}

if [ $# = 0 ] || [ "$1" = -h ] || [ "$1" = --help ]; then
  sed -n '2,4s/^# \{0,1\}//p' "${BASH_SOURCE[0]}" >&2
  exit 2
fi
command -v "$xvfb" >/dev/null || { echo "with-xvfb.sh: $xvfb not found (apt-get install xvfb)" >&2; exit 2; }
command -v xauth >/dev/null || { echo "with-xvfb.sh: xauth not found (apt-get install xauth)" >&2; exit 2; }

session=$(mktemp -d "${TMPDIR:-/tmp}/tmrx-xvfb.XXXXXX") || exit 2
xvfb_pid=

# Every run holds this lock shared; the last one out gets it exclusively.
runs_lock=${TMPDIR:-/tmp}/tmrx-xvfb-runs.$(id -u).lock
exec 8>>"$runs_lock"
flock -s 8

stop_wineservers() {
  [ -s "$session/wineprefixes" ] || return 0
  flock -n -x 8 || return 0
  while IFS= read -r prefix; do
    "$here/wine.sh" --prefix "$prefix" --stop
  done <"$session/wineprefixes"
}

cleanup() {
  stop_wineservers
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
  fi
  rm -rf "$session"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# The server reads every cookie in its -auth file, whatever display it names;
# the client entry for the real number is added once that number is known.
cookie=$(mcookie)
export XAUTHORITY=$session/Xauthority
: >"$XAUTHORITY"
xauth -q -f "$XAUTHORITY" add :0 . "$cookie"

"$xvfb" -displayfd 3 -nolisten tcp -auth "$XAUTHORITY" -screen 0 "$screen" \
  3>"$session/display" >"$session/xvfb.log" 2>&1 8>&- &
xvfb_pid=$!

display=
for _ in $(seq 200); do
  read -r display <"$session/display" 2>/dev/null
  [ -n "$display" ] && break
  if ! kill -0 "$xvfb_pid" 2>/dev/null; then
    xvfb_pid=
    echo "with-xvfb.sh: Xvfb did not start:" >&2
    cat "$session/xvfb.log" >&2
    exit 2
  fi
  sleep 0.05
done
if [ -z "$display" ]; then
  echo "with-xvfb.sh: Xvfb did not report a display within 10 s" >&2
  exit 2
fi

xauth -q -f "$XAUTHORITY" add ":$display" . "$cookie"
export DISPLAY=:$display
# wine.sh notes there which prefixes it used, and keeps its scratch files
# there so that those of a killed test go with the session. (Not TMPDIR: Wine
# places the server socket under it, and one prefix must keep one server.)
export TMRX_WINE_SESSION=$session

# In the background, so that a signal to this script is handled at once: it is
# passed on, and the display goes once the command has ended.
if [ -e /proc/self/fd/0 ]; then exec 4<&0; else exec 4</dev/null; fi
"$@" <&4 4<&- 8>&- &
command_pid=$!
trap 'kill -INT "$command_pid" 2>/dev/null' INT
trap 'kill -TERM "$command_pid" 2>/dev/null' TERM
wait "$command_pid"
status=$?
while kill -0 "$command_pid" 2>/dev/null; do
  wait "$command_pid"
  status=$?
done
exit $status
