#!/usr/bin/env bash
# Builds the emulated machine that runs the x86 kcoinst.dll under 32-bit Wine, from Debian
# packages, and caches it: Debian's amd64 kernel (its IA32 emulation runs 32-bit programs), a
# busybox initramfs that loads the virtio and ext4 modules, and an ext4 root disk holding the
# wine32:i386 dependency closure and a Wine prefix booted once in the guest.
# Rebuilds only when an input changes (these scripts, or a package version apt would pick).
# usage: build.sh <cache folder>          (default: build/win32/guest)
set -eu
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
top=$(cd "$here/../.." && pwd)
guest=${1:-$top/build/win32/guest}
mkdir -p "$guest"
guest=$(cd "$guest" && pwd)
say() { echo "x86-guest: $*"; }

# The kernel is whatever linux-image-amd64 depends on in the configured apt sources.
kernel_package=$(apt-cache depends linux-image-amd64 2>/dev/null |
  awk '/Depends: linux-image-[0-9]/ {print $2; exit}')
[ -n "$kernel_package" ] || { say "apt knows no linux-image-amd64"; exit 1; }
candidate() { apt-cache policy "$1" 2>/dev/null | awk '/Candidate:/ {print $2; exit}'; }
wine_version=$(candidate wine32:i386)
[ -n "$wine_version" ] && [ "$wine_version" != "(none)" ] ||
  { say "apt knows no wine32:i386 (dpkg --add-architecture i386; apt-get update)"; exit 1; }

inputs=$(
  cat "$here/build.sh" "$here/boot.sh" "$here/initramfs-init" "$here/guest-init"
  echo "$kernel_package $(candidate "$kernel_package")"
  echo "wine32:i386 $wine_version"
  dpkg-query -W busybox-static
)
stamp=$(printf '%s\n' "$inputs" | sha256sum | cut -d' ' -f1)
if [ -f "$guest/stamp" ] && [ "$(cat "$guest/stamp")" = "$stamp" ] &&
  [ -f "$guest/root.img" ] && [ -f "$guest/vmlinuz" ] && [ -f "$guest/initramfs.gz" ]; then
  exit 0
fi

say "building the emulated machine in $guest"
started=$(date +%s)
rm -f "$guest/stamp" "$guest/root.img" "$guest/vmlinuz" "$guest/initramfs.gz"
work=$guest/work
rm -rf "$work"
mkdir -p "$work/debs/partial" "$work/kernel" "$work/initramfs" "$work/root"
trap 'rm -rf "$work"' EXIT

# Kernel and modules.
(cd "$work/debs" && apt-get download -q "$kernel_package" >"$work/download.log" 2>&1) ||
  { cat "$work/download.log"; exit 1; }
dpkg -x "$work/debs/$kernel_package"_*.deb "$work/kernel"
cp "$work/kernel/boot/vmlinuz-"* "$guest/vmlinuz.new"

# Initramfs: static busybox, the modules for the virtio disk and ext4 in load order.
modules=$(echo "$work/kernel/lib/modules/"*/kernel)
module_file() { find "$modules" -name "$1.ko" | head -1; }
order=()
add_module() {  # depth first: a module's dependencies load before it
  local name=$1 file dep
  case " ${order[*]} " in *" $name "*) return ;; esac
  file=$(module_file "$name")
  [ -n "$file" ] || { say "module $name missing from $kernel_package"; exit 1; }
  for dep in $(strings "$file" | sed -n 's/^depends=//p' | tr ',' ' '); do add_module "$dep"; done
  order+=("$name")
}
for m in crc32c_generic virtio_pci virtio_blk ext4; do add_module "$m"; done
mkdir -p "$work/initramfs/bin" "$work/initramfs/modules"
cp /bin/busybox "$work/initramfs/bin/busybox"
cp "$here/initramfs-init" "$work/initramfs/init"
for m in "${order[@]}"; do cp "$(module_file "$m")" "$work/initramfs/modules/"; done
printf '%s\n' "${order[@]}" >"$work/initramfs/modules/order"
(cd "$work/initramfs" && find . | cpio -o -H newc --quiet | gzip -1) >"$guest/initramfs.gz.new"

# Root file system: the wine32:i386 closure, fetched against an empty dpkg status as if the
# machine were i386, unpacked without running any maintainer script.
: >"$work/status"
apt-get -q -y install -d --no-install-recommends \
  -o Dir::State::status="$work/status" -o Dir::State::extended_states="$work/extended" \
  -o Dir::Cache::archives="$work/debs" -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache= \
  -o APT::Architecture=i386 -o APT::Architectures::=i386 -o Debug::NoLocking=1 \
  wine32:i386 >"$work/apt.log" 2>&1 || { cat "$work/apt.log"; exit 1; }
root=$work/root
for deb in "$work/debs/"*_i386.deb "$work/debs/"*_all.deb; do dpkg -x "$deb" "$root"; done
rm -rf "$root/usr/share/doc" "$root/usr/share/man" "$root/usr/share/locale" "$root/usr/share/info"
# libwine's post-install step: the mingw zlib1.dll, marked as a Wine builtin, beside Wine's DLLs.
zlib=$(echo "$root/usr/i686-w64-mingw32/lib/"zlib*.dll)
out=$root/usr/lib/i386-linux-gnu/wine/i386-windows/$(basename "$zlib")
{
  head -c 64 "$zlib"
  printf 'Wine builtin DLL'
  printf '\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0'
  tail -c +97 "$zlib"
} >"$out"
ldconfig -r "$root"
# The guest's own tools are an amd64 busybox; Wine's wineserver wrapper wants /bin/sh.
mkdir -p "$root/kcoinst/bin" "$root/proc" "$root/sys" "$root/dev" "$root/tmp" "$root/root"
cp /bin/busybox "$root/kcoinst/busybox"
for applet in $(/bin/busybox --list); do ln -s ../busybox "$root/kcoinst/bin/$applet"; done
[ -e "$root/bin/sh" ] || { mkdir -p "$root/bin" && ln -s /kcoinst/busybox "$root/bin/sh"; }
cp "$here/guest-init" "$root/kcoinst/init"
echo "root:x:0:0:root:/root:/bin/sh" >"$root/etc/passwd"
echo "root:x:0:" >"$root/etc/group"

# The disk: the root file system with room for the prefix (about 650 MB: Wine copies its
# DLLs into it) and the tests' own files. Unused blocks take no space in the sparse image.
size_mb=$(($(du -sm "$root" | cut -f1) + 1024))
mkfs.ext4 -q -F -m 0 -L kcoinst-x86 -d "$root" "$guest/root.img.new" "${size_mb}M" >/dev/null
rm -rf "$root"
mv "$guest/vmlinuz.new" "$guest/vmlinuz"
mv "$guest/initramfs.gz.new" "$guest/initramfs.gz"
mv "$guest/root.img.new" "$guest/root.img"

# Boot once to make the Wine prefix; it stays in the image.
say "booting the guest to make its 32-bit Wine prefix (about a minute)"
if ! bash "$here/boot.sh" "$guest" prepare "$work/prepare.log" 900 ||
  ! grep -q 'kcoinst-guest: .* prefix ready' "$work/prepare.log"; then
  tail -40 "$work/prepare.log"
  rm -f "$guest/root.img"
  say "the guest could not make its Wine prefix"
  exit 1
fi
grep 'kcoinst-guest: .* prefix ready' "$work/prepare.log"
e2fsck -fp "$guest/root.img" >/dev/null 2>&1 || [ $? -le 1 ] ||
  { rm -f "$guest/root.img"; say "the root disk was left damaged"; exit 1; }
echo "$stamp" >"$guest/stamp"
rm -rf "$work"
say "built in $(($(date +%s) - started)) s; $(du -sh "$guest" | cut -f1) kept"
