#!/usr/bin/env bash
# Plants one-line faults, one at a time, in a scratch copy of this tree and
# runs the tests that should catch each; prints which survive.
#
#   scripts/plant-faults.sh [--list FILE] [--only REGEX] [--scratch DIR]
#
# FILE (default tests/planted-faults.list) holds the faults; see its head for
# the format. --only plants the faults whose name matches REGEX. The scratch
# copy (default build/plant-faults) keeps its build trees between runs, so
# only the first run builds everything; it gets the working tree's sources
# (uncommitted changes included) on every run. The native tests run the
# kernel image of this tree (build/win32), built first.
#
# Exit status: 0 when every fault was caught; 1 when one survived or no
# longer applies (its text is not in its file exactly once); 2 usage.
set -u -o pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh

list=tests/planted-faults.list
only=
scratch=build/plant-faults
while [ $# -gt 0 ]; do
  case "$1" in
    --list) list=${2:?--list needs a file}; shift 2 ;;
    --only) only=${2:?--only needs a regex}; shift 2 ;;
    --scratch) scratch=${2:?--scratch needs a directory}; shift 2 ;;
    -h|--help) sed -n '2,/^[^#]/{/^#/s/^# \{0,1\}//p}' "$0"; exit 0 ;;
    *) echo "plant-faults: unknown argument '$1' (try --help)" >&2; exit 2 ;;
  esac
done
[ -r "$list" ] || { echo "plant-faults: cannot read $list" >&2; exit 2; }

tmrx_ensure_packages || { echo "plant-faults: package installation failed" >&2; exit 1; }
tree=$(pwd)
log_dir=$tree/$scratch-logs
mkdir -p "$scratch" "$log_dir"
tmrx_log "== image and scratch copy"
tmrx_build win32 --target Trx4n5 || { echo "plant-faults: the kernel image does not build" >&2; exit 1; }
# The working tree's files (tracked, and new ones not ignored) into the
# scratch copy; files that did not change keep their times, so that its
# builds stay incremental.
git ls-files -z --cached --others --exclude-standard | python3 -c '
import filecmp, os, shutil, sys
scratch = sys.argv[1]
wanted = {p for p in sys.stdin.read().split("\0") if p and os.path.isfile(p)}
for p in wanted:
    to = os.path.join(scratch, p)
    if not (os.path.isfile(to) and filecmp.cmp(p, to, shallow=False)):
        os.makedirs(os.path.dirname(to) or ".", exist_ok=True)
        shutil.copy2(p, to)
for root, dirs, files in os.walk(scratch):
    if root == scratch:
        dirs[:] = [d for d in dirs if d != "build"]
    for f in files:
        if os.path.relpath(os.path.join(root, f), scratch) not in wanted:
            os.remove(os.path.join(root, f))
' "$scratch"
cd "$scratch"
image=$tree/build/win32/net/win32/Trx4n5.sys
configured=" "

# Replaces the one occurrence of FIND (\n for a line break) in FILE by REPLACE.
plant() {
  python3 - "$1" "$2" "$3" <<'EOF'
import sys
path, find, replace = sys.argv[1], sys.argv[2].replace('\\n', '\n'), sys.argv[3].replace('\\n', '\n')
text = open(path).read()
if text.count(find) != 1:
    sys.exit(1)
open(path, 'w').write(text.replace(find, replace))
EOF
}

# Builds TARGETS (all when empty) of PRESET in the scratch tree. The preset
# "image" is the scratch tree's own Trx4n5.sys (win32) and the native TARGETS
# that run it.
build() {
  local preset=$1 targets=$2
  if [ "$preset" = image ]; then
    build win32 Trx4n5 && build native "$targets"
    return
  fi
  if [[ "$configured" != *" $preset "* ]]; then
    cmake --preset "$preset" -DTMRX_KERNEL_IMAGE="$image" >/dev/null || return 1
    configured+="$preset "
  fi
  if [ -z "$targets" ]; then
    cmake --build --preset "$preset" >/dev/null
  else
    # shellcheck disable=SC2086  # a list of targets
    cmake --build --preset "$preset" --target $targets >/dev/null
  fi
}

caught=0
survived=()
stale=()
run_fault() {
  [ -n "$name" ] || return 0
  if [ -n "$only" ] && ! [[ "$name" =~ $only ]]; then return 0; fi
  local preset=${fault_preset:-native} status=0 safe how=tests
  safe=$(tr -c 'A-Za-z0-9' '-' <<<"$name" | cut -c1-60)
  cp "$file" "$file.unplanted"
  if ! plant "$file" "$find" "$replace"; then
    mv "$file.unplanted" "$file"
    stale+=("$name")
    echo "STALE     $name ($file)"
    return 0
  fi
  if ! build "$preset" "$targets" >"$log_dir/$safe.build.log" 2>&1; then
    status=1 how=build  # the compiler caught it (or the build is broken: see its log)
  else
    # The Windows test programs open windows: they run inside Xvfb. A fault
    # in the image runs in the native tests from the scratch tree's image.
    local wrap=() dir=build/$preset
    [[ "$preset" == win* ]] && wrap=(scripts/with-xvfb.sh)
    [ "$preset" = image ] && dir=build/native wrap=(env "TMRX_KERNEL_IMAGE=$PWD/build/win32/net/win32/Trx4n5.sys")
    "${wrap[@]}" ctest --test-dir "$dir" ${tests:+-R "$tests"} -j2 --timeout 300 >"$log_dir/$safe.log" 2>&1 ||
      status=$?
  fi
  mv "$file.unplanted" "$file"
  touch "$file"  # the next build takes the unplanted file again
  if [ "$status" -ne 0 ]; then
    caught=$((caught + 1))
    if [ "$how" = build ]; then
      echo "caught    $name (by the build: $log_dir/$safe.build.log)"
    else
      echo "caught    $name"
    fi
  else
    survived+=("$name")
    echo "SURVIVED  $name (log: $log_dir/$safe.log)"
  fi
}

name=
while IFS= read -r line || [ -n "$line" ]; do
  case "$line" in
    'fault: '*) run_fault; name=${line#fault: }; file= find= replace= tests= targets= fault_preset= ;;
    'file: '*) file=${line#file: } ;;
    'find: '*) find=${line#find: } ;;
    'replace:'*) replace=${line#replace:}; replace=${replace# } ;;
    'tests: '*) tests=${line#tests: } ;;
    'build: '*) targets=${line#build: } ;;
    'preset: '*) fault_preset=${line#preset: } ;;
  esac
done <"$list"
run_fault

echo "$caught caught, ${#survived[@]} survived, ${#stale[@]} stale"
[ ${#survived[@]} -eq 0 ] && [ ${#stale[@]} -eq 0 ]
