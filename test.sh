#!/usr/bin/env bash
# Runs every test of the project and ends with the line "N passed, N failed".
#
#   ./test.sh            install what is missing, build native, win64 and win32,
#                        run native ctest, the driver on the QEMU PC's tulips (one
#                        boot), the Windows tests under wine64 (inside one Xvfb
#                        display), then on the 32-bit build under wine32 (on this
#                        host where its kernel runs 32-bit code, two programs of it
#                        again inside the x86 machine; else all in the machine) with
#                        the comparison of both builds' outputs, the binary checks,
#                        the lab tests (real traffic through the driver), a short
#                        fuzz run and the command examples and links of README.md
#                        and docs/
#   ./test.sh --fuzz S   the same, with a fuzz run of S seconds per target
#   ./test.sh --native   native build and tests only (quick edit-test loop)
#   ./test.sh --qemu     native build and the QEMU group only: the driver on the
#                        two DEC 21143s of a QEMU PC, both builds, and the lab
#                        tests through them, in one boot (a full run includes it)
#   ./test.sh --soak N   also a long soak of N frames each way on realistic boards
#                        (the suite itself runs a short one; N=200000 takes 5 to 11 s)
#
# One ctest test is one test case; a build that fails counts as one failure.
set -u -o pipefail
cd "$(dirname "$0")"
. scripts/deps.sh

fuzz_seconds=20
only_native=0
only_qemu=0
soak_frames=0
while [ $# -gt 0 ]; do
  case "$1" in
    --fuzz) fuzz_seconds=${2:?--fuzz needs seconds}; shift 2 ;;
    --native) only_native=1; shift ;;
    --qemu) only_qemu=1; shift ;;
    --soak) soak_frames=${2:?--soak needs a frame count}; shift 2 ;;
    -h|--help) sed -n '2,/^[^#]/{/^#/s/^# \{0,1\}//p}' "$0"; exit 0 ;;
    *) echo "test.sh: unknown argument '$1' (try --help)" >&2; exit 2 ;;
  esac
done

tmrx_ensure_packages || { echo "test.sh: package installation failed" >&2; echo "0 passed, 1 failed"; exit 1; }

passed=0
failed=0
log_dir=build/test-logs
mkdir -p "$log_dir"

# Adds the counts of one ctest run (its summary line) to the totals.
count_ctest() {
  local log=$1 line p f t
  line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [ -z "$line" ]; then
    if grep -q 'No tests were found' "$log"; then return 0; fi
    failed=$((failed + 1)); return 0
  fi
  f=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  t=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
  passed=$((passed + t - f)); failed=$((failed + f))
}

# Adds the counts of a script's closing "N passed, N failed" line to the totals.
count_summary() {
  local log=$1 line f
  line=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$log" | tail -n 1)
  if [ -n "$line" ]; then
    passed=$((passed + ${line%% passed*})); f=${line#*, }; failed=$((failed + ${f%% failed}))
  else
    failed=$((failed + 1)); tail -n 5 "$log" >&2
  fi
}

# The QEMU group: ctest's preset qemu inside one boot of the QEMU PC, its
# tulips lent to user space, then the lab tests there (the lab's namespaces
# through the two tulips; the cases that need the simulated boards are
# skipped, each with its reason). A run that never reports its counts (the
# machine did not boot, ctest did not start, no test was found) is a failure.
run_qemu_group() {
  local log="$log_dir/ctest-qemu.log" lab_log="$log_dir/lab-tests-qemu.log"
  tmrx_log "== ctest qemu and the lab tests (inside one boot of the QEMU PC)"
  rm -f "$lab_log"
  # Through a pipe: ctest writes no colour codes into the counts.
  scripts/vm/run-vm.sh --uio --timeout 1200 -- 'ctest --preset qemu --timeout 300 2>&1 | cat;' \
    "timeout 300 tests/lab/lab-tests.sh build/native/tools/trxlab/trxlab /tmp/lab-tests -- --pci --as-k250" \
    ">$(printf '%q' "$lab_log") 2>&1" >"$log" 2>&1
  grep -E '(\*\*\*Failed|\*\*\*Timeout|\*\*\*Exception|Not Run)' "$log" >&2 || true
  tail -n 3 "$log" >&2
  if grep -q 'No tests were found' "$log"; then failed=$((failed + 1)); else count_ctest "$log"; fi
  tmrx_log "== lab tests on the QEMU PC"
  grep -E '^(FAIL|SKIP)' "$lab_log" >&2 || true
  if [ -f "$lab_log" ]; then count_summary "$lab_log"; else failed=$((failed + 1)); fi
}

run_ctest() {  # preset [wrapper...]
  local preset=$1; shift
  local log="$log_dir/ctest-$preset.log"
  tmrx_log "== ctest $preset"
  "$@" ctest --preset "$preset" ${TMRX_CTEST_JOBS:-} --timeout 300 >"$log" 2>&1
  grep -E '(\*\*\*Failed|\*\*\*Timeout|\*\*\*Exception|Not Run)' "$log" >&2 || true
  tail -n 3 "$log" >&2
  count_ctest "$log"
}

# Where this kernel runs the 32-bit Wine loader, the 32-bit group runs on this
# host (an x86 machine under TCG takes ten times as long); two of its programs
# (a probe DLL's exports, and TmrxInt.dll loaded as an installer loads it:
# doTmrxLink, its resources and templates) then run again inside the machine,
# so that its way stays proven for a kernel that cannot run them.
win32_machine_subset() {
  /usr/lib/wine/wine --version >/dev/null 2>&1 || return 0
  local log="$log_dir/ctest-win32-machine.log"
  tmrx_log "== ctest win32: two programs inside the x86 machine"
  TMRX_SESSION_HERE=0 ctest --preset win32 --timeout 600 -R '^(smoke_exports_tests|tmrxint_dll_tests)$' >"$log" 2>&1
  grep -E '(\*\*\*Failed|\*\*\*Timeout|\*\*\*Exception|Not Run)' "$log" >&2 || true
  grep -qs 'in the x86 machine' build/win32/vm-session/ready ||
    { tmrx_log "the subset did not run in the machine"; failed=$((failed + 1)); }
  tail -n 3 "$log" >&2
  count_ctest "$log"
}

build_or_fail() {  # preset
  tmrx_log "== build $1"
  if ! tmrx_build "$1"; then
    tmrx_log "build $1 FAILED"
    failed=$((failed + 1))
    return 1
  fi
}

# The presets built whole in this run: the documentation's examples use them.
built=()

# The native tests run the shipped kernel image too: it is built first.
tmrx_log "== build win32 Trx4n5.sys"
tmrx_build win32 --target Trx4n5 || { tmrx_log "build of Trx4n5.sys FAILED"; failed=$((failed + 1)); }
if [ "$only_qemu" -eq 1 ]; then
  if build_or_fail native; then run_qemu_group; fi
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit
fi
if build_or_fail native; then
  built+=(native)
  TMRX_CTEST_JOBS=-j2 run_ctest native
  if [ "$only_native" -eq 0 ]; then run_qemu_group; built+=(qemu); fi
  if [ "$soak_frames" -gt 0 ]; then
    tmrx_log "== driver soak, $soak_frames frames each way, realistic boards"
    if build/native/tests/native/driver/driver_soak --board realistic --frames "$soak_frames" \
        >"$log_dir/driver-soak.log" 2>&1; then
      passed=$((passed + 1))
    else
      failed=$((failed + 1)); tail -n 20 "$log_dir/driver-soak.log" >&2
    fi
  fi
fi

if [ "$only_native" -eq 0 ]; then
  # One at a time: dialog tests on one X display take the focus from each other.
  if build_or_fail win64; then built+=(win64); run_ctest win64 scripts/with-xvfb.sh; fi
  # The 32-bit group boots the x86 machine itself (a ctest fixture), after the
  # 64-bit one: it compares its outputs with those the 64-bit tests just wrote.
  if build_or_fail win32; then
    built+=(win32)
    run_ctest win32
    win32_machine_subset
  fi

  # Real traffic through the driver: namespaces, TAP interfaces, ping, iperf3, tshark.
  if [ "$(id -u)" -eq 0 ] && [ -e /dev/net/tun ]; then
    tmrx_log "== lab tests"
    lab_log="$log_dir/lab-tests.log"
    tests/lab/lab-tests.sh build/native/tools/trxlab/trxlab build/lab-tests >"$lab_log" 2>&1
    grep '^FAIL' "$lab_log" >&2 || true
    count_summary "$lab_log"
  else
    tmrx_log "== lab tests skipped: they need root and /dev/net/tun"
  fi

  for fuzzer in fuzz/run-*-fuzz.sh; do
    [ -x "$fuzzer" ] || continue
    tmrx_log "== $fuzzer $fuzz_seconds"
    if "$fuzzer" "$fuzz_seconds" >"$log_dir/$(basename "$fuzzer" .sh).log" 2>&1; then
      passed=$((passed + 1))
    else
      failed=$((failed + 1)); tail -n 20 "$log_dir/$(basename "$fuzzer" .sh).log" >&2
    fi
  done
fi

# The command examples of README.md and docs/, run on the trees built above,
# and the pages' links.
tmrx_log "== documentation examples and links"
docs_log="$log_dir/docs-examples.log"
built_list=$(IFS=,; echo "${built[*]}")
python3 tests/docs/check_docs.py --built "$built_list" >"$docs_log" 2>&1
grep -E '^(FAIL|NOT RUN)' "$docs_log" >&2 || true
count_summary "$docs_log"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
