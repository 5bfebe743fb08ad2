#!/usr/bin/env bash
# Makes the test Wine prefix of a build folder ready: boots it once (never in parallel),
# starts a persistent wineserver for it, and imports the test executables' Windows versions.
# usage: wine-prefix.sh <build folder>     (default: build/win64)
set -eu
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$here/build/win64}" && pwd)
export KCOINST_BUILD_DIR=$build
export WINEPREFIX=$build/wineprefix HOME=$build/winehome WINEDEBUG=-all
export WINEDLLOVERRIDES=mscoree,mshtml= DISPLAY=
mkdir -p "$HOME"
server=/usr/lib/wine/wineserver

if [ ! -f "$WINEPREFIX/.kcoinst-booted" ]; then
  echo "wine-prefix: booting $WINEPREFIX"
  rm -rf "$WINEPREFIX"
  /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
  "$server" -w
  [ -f "$WINEPREFIX/system.reg" ] || { echo "wine-prefix: wineboot failed" >&2; exit 1; }
  touch "$WINEPREFIX/.kcoinst-booted"
fi

"$server" -p >/dev/null 2>&1 </dev/null || true  # already running: fine
if [ -f "$build/appdefaults.reg" ]; then
  /usr/lib/wine/wine64 regedit /S "Z:${build//\//\\}\\appdefaults.reg" >/dev/null 2>&1
fi
