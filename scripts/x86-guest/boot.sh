#!/usr/bin/env bash
# Boots the cached emulated machine once and waits until it powers off.
# usage: boot.sh <cache folder> <prepare|run> <console log> <timeout s> [test disk]
# prepare writes to the root disk; run keeps it unchanged (-snapshot) and attaches the test disk.
set -eu
guest=$1 mode=$2 log=$3 limit=$4 tests=${5:-}
drives=()
if [ "$mode" = prepare ]; then
  drives+=(-drive "file=$guest/root.img,if=virtio,format=raw,cache=unsafe")
else
  drives+=(-drive "file=$guest/root.img,if=virtio,format=raw,snapshot=on")
  drives+=(-drive "file=$tests,if=virtio,format=raw")
fi
# No KVM here: software emulation. Its SMAP emulation faults every 32-bit process on the
# return to user mode, so the CPU model leaves SMAP out.
exec timeout "$limit" qemu-system-x86_64 -nodefaults -no-reboot -display none -vga none \
  -accel tcg -cpu max,-smap -smp 2 -m 2048 -nic none \
  -kernel "$guest/vmlinuz" -initrd "$guest/initramfs.gz" \
  -append "console=ttyS0 quiet panic=-1 kcoinst.mode=$mode" \
  "${drives[@]}" -serial "file:$log" </dev/null
