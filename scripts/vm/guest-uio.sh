#!/bin/bash
# Inside the guest: lends every DEC 21143 (tulip) function to user space
# through uio_pci_generic (/dev/uio0, /dev/uio1, ...), for the project's
# user-space driver backend (--pci).
set -e
modprobe uio_pci_generic
echo "1011 0019" >/sys/bus/pci/drivers/uio_pci_generic/new_id 2>/dev/null || true
for f in /sys/bus/pci/devices/*; do
  [ "$(cat "$f/vendor")" = 0x1011 ] && [ "$(cat "$f/device")" = 0x0019 ] || continue
  for _ in 1 2 3 4 5 6 7 8 9 10; do
    [ -d "$f/uio" ] && break
    sleep 0.1
  done
  [ -d "$f/uio" ] || { echo "guest-uio: ${f##*/} did not bind to uio_pci_generic" >&2; exit 1; }
done
