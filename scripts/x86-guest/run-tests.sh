#!/usr/bin/env bash
# Runs x86 test executables under 32-bit Wine in the emulated machine, all in one boot.
# Builds (or reuses) the machine, puts the build folder's programs and DLLs and the source
# tree on a test disk (the guest shows them at their paths here), boots with the root disk
# unchanged (-snapshot), and brings back each executable's output and exit code to
# <build folder>/x86-guest/results/<exe>.txt and .rc.
# usage: run-tests.sh <build folder> <exe name>...        (names without .exe)
set -eu
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=$(cd "$1" && pwd)
shift
guest=${KCOINST_GUEST_DIR:-$build/guest}
run=$build/x86-guest
per_test_limit=300
say() { echo "x86-guest: $*"; }

bash "$here/build.sh" "$guest"

tree=$(cd "$here/../.." && pwd)
rm -rf "$run"
mkdir -p "$run/disk/bin" "$run/disk/source" "$run/results"
cp "$build/"*.exe "$build/"*.dll "$run/disk/bin/"
[ -f "$build/appdefaults.reg" ] && cp "$build/appdefaults.reg" "$run/disk/bin/"
# The source tree too (it is small), for tests that read files of their own from it.
tar -C "$tree" --exclude=./build --exclude=./.git -cf - . | tar -C "$run/disk/source" -xf -
printf '%s\n' "$@" >"$run/disk/run.list"
echo "$build" >"$run/disk/build-dir"
echo "$tree" >"$run/disk/source-dir"
echo "$per_test_limit" >"$run/disk/timeout"
cp "$here/guest-run.sh" "$run/disk/run.sh"
mkfs.ext4 -q -F -L kcoinst-tests -d "$run/disk" "$run/tests.img" \
  "$(($(du -sm "$run/disk" | cut -f1) + 64))M" >/dev/null

say "running $# test executable(s) under 32-bit Wine in the emulated machine"
started=$(date +%s)
status=0
bash "$here/boot.sh" "$guest" run "$run/console.log" $((180 + $# * per_test_limit)) \
  "$run/tests.img" || status=$?
grep 'kcoinst-guest:' "$run/console.log" || true
if [ $status -ne 0 ] || ! grep -q 'kcoinst-guest: .* done (run)' "$run/console.log"; then
  tail -30 "$run/console.log" 2>/dev/null || true
  say "the guest did not finish its run (qemu status $status)"
  exit 1
fi
debugfs -R "rdump /out $run" "$run/tests.img" >/dev/null 2>&1
rm -rf "$run/results"
mv "$run/out" "$run/results"
rm -rf "$run/disk" "$run/tests.img"
say "guest run took $(($(date +%s) - started)) s"
