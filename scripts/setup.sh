#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test kcoinst. Run as root.
# Idempotent and quiet when everything is there; never asks a question.
set -eu
packages=(
  cmake ninja-build binutils
  gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix
  gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 mingw-w64-common mingw-w64-i686-dev mingw-w64-x86-64-dev
  wine64 googletest clang-14 libclang-rt-14-dev
  # the emulated x86 machine (scripts/x86-guest)
  qemu-system-x86 busybox-static e2fsprogs cpio
)
missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done
# The emulated machine's root file system is built from i386 packages that apt must know.
update=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  update=1
elif ! apt-cache show wine32:i386 >/dev/null 2>&1; then
  update=1
fi
[ ${#missing[@]} -eq 0 ] && [ $update = 0 ] && exit 0

export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
[ ${#missing[@]} -eq 0 ] && exit 0
echo "setup: installing ${missing[*]}"
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
