#!/bin/busybox sh
# The guest's /init: loads the modules that reach the host, builds the root
# (the host's root file system, read-only under a tmpfs overlay, with the
# project folder and the run's session folder shared read-write on top) and
# hands over to the project's guest-run.sh on that root.
/bin/busybox --install -s /bin
export PATH=/bin

mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev

fail() {
  echo "guest-init: $*" >&2
  poweroff -f
}

while read -r ko; do
  insmod "/modules/$ko" || fail "insmod $ko failed"
done </modules/order

# tmrx.project= names the project folder (same path as on the host).
project=
for word in $(cat /proc/cmdline); do
  case $word in tmrx.project=*) project=${word#tmrx.project=} ;; esac
done
[ -n "$project" ] || fail "no tmrx.project= on the kernel command line"

opts=trans=virtio,version=9p2000.L,msize=512000
mount -t 9p -o "$opts,ro,cache=loose" hostroot /lower || fail "cannot mount the host's root"
mount -t tmpfs -o mode=755 tmpfs /rw
mkdir -p /rw/upper /rw/work
mount -t overlay -o lowerdir=/lower,upperdir=/rw/upper,workdir=/rw/work overlay /newroot ||
  fail "cannot build the overlay root"
# A fresh /tmp first: a project folder under /tmp is mounted inside it.
mount -t tmpfs -o mode=1777 tmpfs /newroot/tmp
mkdir -p "/newroot$project" /newroot/run/tmrx-vm
mount -t 9p -o "$opts" project "/newroot$project" || fail "cannot mount the project folder"
mount -t 9p -o "$opts" session /newroot/run/tmrx-vm || fail "cannot mount the session folder"

for d in proc sys dev; do
  mount --move "/$d" "/newroot/$d"
done
exec switch_root /newroot /bin/bash "$project/scripts/vm/guest-run.sh" "$project"
