#!/usr/bin/env bash
# Runs a Windows program under Wine in the build folder's own prefix (never ~/.wine).
# KCOINST_BUILD_DIR may name the build folder; by default it is build/win64 of this checkout.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KCOINST_BUILD_DIR:-$here/build/win64}
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
export HOME=${KCOINST_WINE_HOME:-$build/winehome}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export DISPLAY=
mkdir -p "$HOME"
exec /usr/lib/wine/wine64 "$@"
