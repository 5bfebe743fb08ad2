#!/usr/bin/env bash
# Builds and runs every test of the three presets: host (sanitizers and fuzzing),
# win32 (the shipping DLL's image, and its tests under 32-bit Wine in an emulated machine)
# and win64 (everything, under Wine).
set -eu -o pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
bash scripts/setup.sh

status=0 passed=0 failed=0
summary=$(mktemp)
trap 'rm -f "$summary"' EXIT
run_preset() {
  local preset=$1
  echo "=== $preset ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  if [ "$preset" = win64 ]; then
    bash scripts/wine-prefix.sh build/win64
  fi
  ctest --preset "$preset" | tee "$summary" || status=1
  # "N% tests passed, F tests failed out of T"
  local counts
  counts=$(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\1 \2/p' "$summary")
  if [ -n "$counts" ]; then
    set -- $counts
    failed=$((failed + $1)) passed=$((passed + $2 - $1))
  else
    status=1
  fi
  if [ "$preset" = win64 ]; then
    WINEPREFIX=$here/build/win64/wineprefix /usr/lib/wine/wineserver -k 2>/dev/null || true
  fi
}
run_preset host
run_preset win32
run_preset win64
echo "tests: $passed passed, $failed failed"
exit $status
