#!/usr/bin/env bash
# Builds and runs every test of the three presets: host (sanitizers and fuzzing),
# win32 (the shipping DLL's image, and its tests under 32-bit Wine in an emulated machine)
# and win64 (everything, under Wine).
set -eu
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
bash scripts/setup.sh

status=0
run_preset() {
  local preset=$1
  echo "=== $preset ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  if [ "$preset" = win64 ]; then
    bash scripts/wine-prefix.sh build/win64
  fi
  ctest --preset "$preset" || status=1
  if [ "$preset" = win64 ]; then
    WINEPREFIX=$here/build/win64/wineprefix /usr/lib/wine/wineserver -k 2>/dev/null || true
  fi
}
run_preset host
run_preset win32
run_preset win64
exit $status
