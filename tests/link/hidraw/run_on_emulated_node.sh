#!/bin/sh

# SPDX-FileCopyrightText: 2026 The dmmview developers
#
# SPDX-License-Identifier: GPL-3.0-or-later

# usage: run_on_emulated_node.sh NODE [--read-only] PROGRAM [ARG...]
#
# Started by umockdev-run, runs PROGRAM on the emulated device node /dev/NODE after putting
# right what umockdev 0.17 does not emulate as the kernel does:
#  - It does not wrap fstat(): an opened node shows the numbers of the pseudo-terminal behind
#    it, by which the HID library looks the device up in sysfs. The node's `dev` attribute, its
#    MAJOR and MINOR and its /sys/dev/char entry are given the pseudo-terminal's numbers.
#  - Its script replay starts again from the top whenever nobody holds the node open, which
#    happens each time a program that opens and closes the node to identify it lets go. This
#    shell holds the node open for PROGRAM's lifetime and writes "go", which the script waits
#    for before it hands out its reports.
# With --read-only the node cannot be opened for writing, as without the udev rule for the
# cable; root (also root of a user namespace) gives up the capabilities that override that.
set -eu
node=$1
shift
exec 3<>"/dev/$node"
printf go >&3

pty=$(readlink "$UMOCKDEV_DIR/dev/$node")
major=$(printf %d "0x$(stat -c %t "$pty")")
minor=$(printf %d "0x$(stat -c %T "$pty")")
sysfs=$UMOCKDEV_DIR/sys/class/hidraw/$node
chardev=$UMOCKDEV_DIR/sys/dev/char
ln -s "$(readlink "$chardev/$(cat "$sysfs/dev")")" "$chardev/$major:$minor"
echo "$major:$minor" >"$sysfs/dev"
sed -i "s/^MAJOR=.*/MAJOR=$major/; s/^MINOR=.*/MINOR=$minor/" "$sysfs/uevent"

if [ "${1:-}" = --read-only ]; then
  shift
  chmod 0444 "$pty"
  if [ "$(id -u)" -eq 0 ]; then
    caps=-dac_override,-dac_read_search
    exec setpriv --inh-caps=$caps --bounding-set=$caps -- "$@"
  fi
fi
exec "$@"
