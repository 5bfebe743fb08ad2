#!/usr/bin/env bash
# The main job: builds the x64 kcoinst.dll and calls it as a co-installer under Wine in a
# throwaway prefix, then prints the kcoinst.log that it wrote.
set -eu
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
bash scripts/setup.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target kcoinst kcdriver >/dev/null

demo=$here/build/demo
rm -rf "$demo"
mkdir -p "$demo"
export KCOINST_BUILD_DIR=$demo
bash scripts/wine-prefix.sh "$demo" >/dev/null
run() { "$here/cmake/wine-run.sh" "$@"; }
run "Z:${here//\//\\}\\build\\win64\\kcdriver.exe" "Z:${here//\//\\}\\build\\win64\\kcoinst.dll" | tr -d '\r'
WINEPREFIX=$demo/wineprefix /usr/lib/wine/wineserver -k 2>/dev/null || true
