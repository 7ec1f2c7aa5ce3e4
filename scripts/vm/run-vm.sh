#!/usr/bin/env bash
# Boots an x86-64 PC in QEMU (TCG) with Debian's kernel and runs a command in it
# as root, in the project folder; streams its output and exits with its status.
#
#   run-vm.sh [--tulips N] [--tap] [--uio] [--console] [--memory MB] [--cpus N] [--timeout S]
#             [-- COMMAND...]
#
#   --tulips N   N DEC 21143 (tulip) devices, 0 to 8 (default 2), at PCI
#                0000:00:10.0, 0000:00:11.0, ...; all on one QEMU hub, like a
#                cable between two ports
#   --tap        each tulip on its own host TAP device trxvm0, trxvm1, ...
#                instead of the hub (root; the TAPs exist while the machine runs)
#   --uio        lend every tulip to user space (uio_pci_generic: /dev/uio0, ...)
#                before COMMAND runs, for the driver's --pci backend
#   --console    COMMAND gets the console as its terminal (stdin, stdout and
#                stderr), for an interactive program; needs a terminal here
#   --memory MB  guest memory (default 2048)
#   --cpus N     guest processors (default 2)
#   --timeout S  power the machine off after S seconds (exit status 124)
#   COMMAND      a command line for bash, its words joined by spaces as ssh
#                does; without one, a shell on the console
#
# Inside, the host's root file system is seen read-only under a tmpfs overlay
# (every installed program is there; writes outside the project are lost),
# the project folder read-write at its own path (build/ persists), /tmp is
# fresh. Physical memory 0x10000000-0x13ffffff is reserved for user-space
# device drivers (/dev/mem). The command's stdout and stderr stay apart;
# the guest kernel's messages go to build/vm/console.log. Variables named in
# TMRX_VM_PASS_ENV (space separated) are passed on to the command.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
project=$(cd "$here/../.." && pwd)
usage() { sed -n '2,/^[^#]/{/^#/s/^# \{0,1\}//p}' "${BASH_SOURCE[0]}"; }
die() { echo "run-vm.sh: $*" >&2; exit 2; }

tulips=2 tap=0 uio=0 console=0 memory=2048 cpus=2 timeout_s=0
while [ $# -gt 0 ]; do
  case $1 in
    --tulips) [[ ${2:-} =~ ^[0-8]$ ]] || die "--tulips takes 0 to 8"; tulips=$2; shift 2 ;;
    --tap) tap=1; shift ;;
    --uio) uio=1; shift ;;
    --console) console=1; shift ;;
    --memory) [[ ${2:-} =~ ^[0-9]+$ ]] && [ "$2" -ge 512 ] || die "--memory takes megabytes, at least 512"
              memory=$2; shift 2 ;;
    --cpus) [[ ${2:-} =~ ^[1-8]$ ]] || die "--cpus takes 1 to 8"; cpus=$2; shift 2 ;;
    --timeout) [[ ${2:-} =~ ^[1-9][0-9]*$ ]] || die "--timeout takes seconds"; timeout_s=$2; shift 2 ;;
    -h|--help) usage; exit 0 ;;
    --) shift; break ;;
    *) die "unknown option '$1' (see --help)" ;;
  esac
done

qemu=${TMRX_QEMU:-qemu-system-x86_64}
command -v "$qemu" >/dev/null || die "$qemu not found (apt-get install qemu-system-x86)"
# The newest installed kernel that has its modules.
kernel=${TMRX_VM_KERNEL:-}
if [ -z "$kernel" ]; then
  for k in $(ls -v /boot/vmlinuz-* 2>/dev/null); do
    [ -d "/lib/modules/${k#/boot/vmlinuz-}" ] && kernel=$k
  done
fi
[ -n "$kernel" ] && [ -r "$kernel" ] || die "no readable kernel in /boot (apt-get install linux-image-amd64)"
kver=${kernel#*/vmlinuz-}
[ "$tap" = 0 ] || [ -e /dev/net/tun ] || die "--tap needs /dev/net/tun"
[ "$tap" = 0 ] || [ "$(id -u)" = 0 ] || die "--tap needs root"

# The initramfs, cached under build/vm and made again when the kernel or its
# recipe changes.
vm_dir=$project/build/vm
mkdir -p "$vm_dir"
recipe=$(cat "$here/make-initramfs.sh" "$here/guest-init.sh" | sha256sum | cut -c1-12)
initrd=$vm_dir/initramfs-$kver-$recipe.cpio.gz
(
  flock 9
  if [ ! -s "$initrd" ]; then
    echo "run-vm.sh: making the guest's initramfs for $kver" >&2
    rm -f "$vm_dir"/initramfs-*.cpio.gz
    "$here/make-initramfs.sh" "$kver" "$initrd"
  fi
) 9>"$vm_dir/initramfs.lock"

# The session folder: what the guest reads (command, environment) and writes
# back (status) in shared/, and the pipe that carries the command's stderr.
run=$(mktemp -d "${TMPDIR:-/tmp}/tmrx-vm.XXXXXX")
session=$run/shared
mkdir "$session"
stderr_pid=
cleanup() {
  [ -z "$stderr_pid" ] || wait "$stderr_pid" 2>/dev/null
  rm -rf "$run"
}
trap cleanup EXIT
if [ $# -gt 0 ]; then
  printf '%s\n' "$*" >"$session/command"
  [ "$console" = 0 ] || : >"$session/console"
elif [ "$console" = 1 ]; then
  die "--console goes with a COMMAND"
fi
[ "$uio" = 0 ] || : >"$session/uio"
: >"$session/environment"
for v in ${TMRX_VM_PASS_ENV:-}; do
  if [ -n "${!v+set}" ]; then printf '%s=%q\n' "$v" "${!v}" >>"$session/environment"; fi
done
# The guest's console goes to the run's own folder (machines may run side by
# side) and is kept as build/vm/console.log when the machine is gone.
console_log=$run/console.log
mkfifo "$run/stderr"
cat "$run/stderr" >&2 &
stderr_pid=$!

net=()
for ((i = 0; i < tulips; i++)); do
  if [ "$tap" = 1 ]; then
    net+=(-netdev "tap,id=n$i,ifname=trxvm$i,script=no,downscript=no")
  else
    net+=(-netdev "hubport,id=n$i,hubid=0")
  fi
  net+=(-device "tulip,netdev=n$i,addr=$(printf '0x%x' $((0x10 + i))),mac=52:54:00:25:00:$(printf '%02x' "$i")")
done

share=security_model=none
# Without SMAP: under TCG a 32-bit program's IRET (wine32 returning from a
# signal handler) reads its stack as the kernel would, and the guest kernel
# oopses on it.
qemu_args=(
  -accel tcg -cpu max,-smap -smp "$cpus" -m "$memory"
  -nodefaults -no-reboot -display none -monitor none
  -kernel "$kernel" -initrd "$initrd"
  -append "console=ttyS0 loglevel=4 panic=-1 tmrx.project=$project memmap=64M\$0x10000000"
  -serial "file:$console_log"
  -virtfs "local,path=/,mount_tag=hostroot,$share,readonly=on,multidevs=remap"
  -virtfs "local,path=$project,mount_tag=project,$share,multidevs=remap"
  -virtfs "local,path=$session,mount_tag=session,$share"
  -device virtio-serial-pci
  -chardev stdio,id=out,signal=off -device virtconsole,chardev=out
  -chardev "file,id=err,path=$run/stderr" -device virtconsole,chardev=err
  "${net[@]}"
)

# A hub that leads nowhere is what --tulips asks for: QEMU's warning about it
# is left out of its messages.
quiet_qemu() { grep -v --line-buffered 'is not connected to host network' >&2 || true; }
limit=()
[ "$timeout_s" = 0 ] || limit=(timeout --foreground -k 5 "$timeout_s")
status=0
"${limit[@]}" "$qemu" "${qemu_args[@]}" 2> >(quiet_qemu) || status=$?
if [ "$status" = 124 ]; then
  echo "run-vm.sh: the machine ran longer than $timeout_s s and was stopped" >&2
  exit 124
fi
cp "$console_log" "$vm_dir/console.log" 2>/dev/null
console_log=$vm_dir/console.log
if [ ! -s "$session/status" ]; then
  echo "run-vm.sh: the machine stopped without the command's exit status (QEMU exit $status);" \
       "the end of its console ($console_log):" >&2
  tail -n 20 "$console_log" >&2
  exit 125
fi
exit "$(cat "$session/status")"
