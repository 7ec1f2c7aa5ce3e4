#!/usr/bin/env bash
# Builds the guest's initramfs from installed packages: busybox-static, the
# kernel modules that reach the host's files (virtio, 9p, overlay) and the
# consoles, and guest-init.sh as /init.
#
#   make-initramfs.sh KERNEL_RELEASE OUT.cpio.gz
#
# Everything else the guest runs comes from the host's own root over 9p, so
# the image stays small and needs rebuilding only when the kernel or this
# recipe changes (run-vm.sh keys its cache on both).
set -euo pipefail

[ $# = 2 ] || { sed -n '2,/^[^#]/{/^#/s/^# \{0,1\}//p}' "$0" >&2; exit 2; }
kver=$1
out=$2
here=$(cd "$(dirname "$0")" && pwd)
busybox=/bin/busybox

[ -x "$busybox" ] && "$busybox" --list | grep -qx switch_root ||
  { echo "make-initramfs.sh: no static busybox at $busybox (apt-get install busybox-static)" >&2; exit 2; }
[ -d "/lib/modules/$kver" ] ||
  { echo "make-initramfs.sh: no modules for kernel $kver (apt-get install linux-image-amd64)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work"/{bin,dev,proc,sys,lower,rw,newroot,modules}
cp "$busybox" "$work/bin/busybox"
cp "$here/guest-init.sh" "$work/init"
chmod 755 "$work/init"

# Modules in load order, each once: modprobe resolves the dependencies.
: >"$work/modules/order"
for m in virtio_pci 9pnet_virtio 9p overlay virtio_console; do
  modprobe -S "$kver" --show-depends "$m" | awk '$1 == "insmod" { print $2 }'
done | awk '!seen[$0]++' | while read -r ko; do
  cp "$ko" "$work/modules/"
  basename "$ko" >>"$work/modules/order"
done

mkdir -p "$(dirname "$out")"
(cd "$work" && find . | LC_ALL=C sort | "$busybox" cpio -o -H newc 2>/dev/null) | gzip -1 >"$out.tmp"
mv "$out.tmp" "$out"
