#!/usr/bin/env bash
# The project's main job and its tools. Progress goes to stderr, results to stdout.
#
#   ./run.sh                     two simulated K250 ports through the driver: bring-up,
#                                auto-negotiation, a burst of frames both ways, a report
#                                per port and a pcap of the wire (build/trxdemo.pcap)
#   ./run.sh --kernel-image [PATH.sys]
#                                the same over the shipped i686 Trx4n5.sys in an x86
#                                emulator (PATH defaults to the win32 preset's, built
#                                first); diag and lab take the option too
#   ./run.sh --board NAME[:SEED] the same on other boards: realistic (asynchronous DMA,
#                                slow stops, resets and link, ...), or one behaviour of it
#                                (see docs/board-profiles.md)
#   ./run.sh --qemu [--kernel-image]
#                                the same on the two DEC 21143 devices of a QEMU PC (./run.sh
#                                vm), driven from user space inside it (--pci --as-k250);
#                                diag takes --qemu too, and --pci [ADDRESS] for a real card
#   ./run.sh --help              this list
#   ./run.sh diag OPTIONS...     one simulated port under the driver, set up as the options
#                                say; prints Initialize's result, adapter fields, OID answers
#                                and dumps as JSON (./run.sh diag --help)
#   ./run.sh config [--32] [--headless] [--script F] [--pictures DIR] FILE
#                                play the installer: tmrxcfg.exe under wine64 reads the text
#                                list FILE, calls doTmrxLink with it and prints the result
#                                (--headless: on Xvfb, screenshots of each dialog shown;
#                                --32: the 32-bit tmrxcfg.exe and TmrxInt.dll under wine32
#                                inside the x86 machine, headless)
#   ./run.sh lab OPTIONS...      (root) real traffic: two namespaces with TAP interfaces
#                                through two simulated ports under the driver, until
#                                interrupted (./run.sh lab --help)
#   ./run.sh lab --qemu [OPTIONS...] [-- COMMAND...]
#                                the lab inside the QEMU PC on its two 21143s (--pci
#                                --as-k250), then COMMAND there with LAB_NS0, LAB_IP1, ...
#                                set, e.g. 'ip netns exec trxlab-0 ping -c 3 10.250.0.2';
#                                without one, a shell inside (needs a terminal)
#   ./run.sh race [OPTIONS...]   the race finder on the kernel image: a long run of mixed
#                                traffic, the chip stepping between the driver's descriptor
#                                stores at seeded random points (--seed N, --boundaries N);
#                                --walk: every boundary of the short scenarios in turn
#                                (./run.sh race --help)
#   ./run.sh tmrxlist ARGS...    read an installer's text list, print the returned list
#                                (tmrxlist --help for its options)
#   ./run.sh vm [--tulips N] [--tap] [--uio] [-- COMMAND...]
#                                a QEMU PC (Debian's kernel, TCG) with N DEC 21143
#                                devices: runs COMMAND as root in the project folder
#                                inside it (default: a shell), exits with its status
#                                (./run.sh vm --help)
#   ./run.sh package [DIR]       the driver package for an administrator: Trx4n5.sys,
#                                Trx4n5.inf, TmrxInt.dll (32-bit) and SHA256SUMS in DIR
#                                (default build/package), the driver's symbols beside DIR
#
# Each command installs what is missing and builds what it needs first.
set -u -o pipefail
cd "$(dirname "$0")"
. scripts/deps.sh

usage() { sed -n '2,/^[^#]/{/^#/s/^# \{0,1\}//p}' "$0"; }

# With --kernel-image and no PATH, the win32 preset's Trx4n5.sys, built first.
build_kernel_image() {
  local a
  for a in "$@"; do
    if [ "$a" = "--kernel-image" ]; then
      tmrx_build win32 --target Trx4n5 || return 1
      return 0
    fi
  done
}

# With --qemu among the options: TOOL and the other options inside the QEMU
# PC, on its tulips lent to user space (--pci --as-k250); otherwise returns.
run_in_qemu() {  # TOOL OPTIONS...
  local tool=$PWD/$1 options=() a qemu=0
  shift
  for a in "$@"; do
    if [ "$a" = --qemu ]; then qemu=1; else options+=("$a"); fi
  done
  [ "$qemu" = 1 ] || return 0
  exec scripts/vm/run-vm.sh --uio -- "$(printf '%q ' "$tool" --pci --as-k250 "${options[@]}")"
}

# lab with --qemu among its options: the lab inside the QEMU PC on its two
# tulips (scripts/vm/guest-lab.sh), then COMMAND there, or without one a shell
# on the console; otherwise returns.
run_lab_in_qemu() {  # LAB_OPTIONS... [-- COMMAND...]
  local options=() qemu=0 command= line console=()
  while [ $# -gt 0 ]; do
    case $1 in
      --qemu) qemu=1 ;;
      --) shift; command="$*"; break ;;
      *) options+=("$1") ;;
    esac
    shift
  done
  [ "$qemu" = 1 ] || return 0
  line=$(printf '%q ' scripts/vm/guest-lab.sh "$PWD/build/native/tools/trxlab/trxlab" --pci --as-k250 "${options[@]}")
  if [ -n "$command" ]; then
    line+="-- $(printf '%q' "$command")"
  elif [ -t 0 ] && [ -t 1 ]; then
    console=(--console)
  else
    echo "run.sh: lab --qemu without a command after -- opens a shell inside the PC: it needs a terminal" >&2
    exit 2
  fi
  exec scripts/vm/run-vm.sh --uio "${console[@]}" -- "$line"
}

cmd=${1:-}
case "$cmd" in
  -h|--help|help) usage; exit 0 ;;
  diag)
    shift
    tmrx_ensure_packages >&2 || exit 1
    build_kernel_image "$@" || exit 1
    tmrx_build native --target trxdiag || exit 1
    run_in_qemu build/native/tools/trxdiag/trxdiag "$@"
    exec build/native/tools/trxdiag/trxdiag "$@" ;;
  config)
    shift
    tmrx_ensure_packages >&2 || exit 1
    exec tools/tmrxcfg/run-config.sh "$@" ;;
  lab)
    shift
    tmrx_ensure_packages >&2 || exit 1
    build_kernel_image "$@" || exit 1
    tmrx_build native --target trxlab || exit 1
    run_lab_in_qemu "$@"
    exec build/native/tools/trxlab/trxlab "$@" ;;
  race)
    shift
    tmrx_ensure_packages >&2 || exit 1
    tmrx_build win32 --target Trx4n5 || exit 1
    tmrx_build native --target trxrace || exit 1
    exec build/native/tools/trxrace/trxrace "$@" ;;
  tmrxlist)
    shift
    tmrx_ensure_packages >&2 || exit 1
    tmrx_build native --target tmrxlist || exit 1
    exec build/native/tools/tmrxlist/tmrxlist "$@" ;;
  vm)
    shift
    tmrx_ensure_packages >&2 || exit 1
    exec scripts/vm/run-vm.sh "$@" ;;
  package)
    shift
    [ $# -le 1 ] || { echo "run.sh: package takes one folder" >&2; exit 2; }
    tmrx_ensure_packages >&2 || exit 1
    tmrx_build win32 || exit 1
    exec scripts/make-package.sh build/win32 "${1:-build/package}" ;;
  ""|--kernel-image|--board|--qemu)
    tmrx_ensure_packages >&2 || exit 1
    build_kernel_image "$@" || exit 1
    tmrx_build native --target trxdemo || exit 1
    run_in_qemu build/native/tools/trxdemo/trxdemo "$@"
    exec build/native/tools/trxdemo/trxdemo "$@" build/trxdemo.pcap ;;
  *)
    echo "run.sh: unknown command '$cmd'" >&2; usage >&2; exit 2 ;;
esac
