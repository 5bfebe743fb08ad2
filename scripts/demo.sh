#!/usr/bin/env bash
# The main job: a whole demonstration installation. Builds the x64 kcoinst.dll and the
# install driver kcinstall.exe, makes a throwaway Wine prefix under build/demo, and
# installs the sample camera package of examples/korvcam (both functions: video, Image
# class; audio, Media class) through kcinstall as the Windows version given (default
# winxp). Then prints what kcinstall saw, the kcoinst.log, the programs that ran and what
# changed in the prefix's files and registry.
# usage: bash scripts/demo.sh [win2k|winxp|vista|win7]
set -eu
version=${1:-winxp}
case "$version" in
  win2k | winxp | vista | win7) ;;
  *) echo "usage: bash scripts/demo.sh [win2k|winxp|vista|win7]" >&2; exit 2 ;;
esac
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
bash scripts/setup.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target kcoinst kcinstall recorder >/dev/null

demo=$here/build/demo
rm -rf "$demo"
mkdir -p "$demo/package"
export KCOINST_BUILD_DIR=$demo
export WINEPREFIX=$demo/wineprefix
server=/usr/lib/wine/wineserver
run() { "$here/cmake/wine-run.sh" "$@"; }
winpath() { printf 'Z:%s' "${1//\//\\}"; }
echo "demo: booting a fresh Wine prefix in $demo"
bash scripts/wine-prefix.sh "$demo" >/dev/null

# The driver package as it would ship: INFs, kcoinst.ini, the co-installer, and a stand-in
# for the maker's value-add installer that writes down that it ran.
cp examples/korvcam/* build/win64/kcoinst.dll "$demo/package/"
cp build/win64/recorder.exe "$demo/package/krvalueadd.exe"
export KCOINST_RECORD
KCOINST_RECORD=$(winpath "$demo/started.txt")
run reg add 'HKCU\Software\Wine\AppDefaults\kcinstall.exe' /v Version /d "$version" /f >/dev/null 2>&1

# Registry entries as "[key] value=data" lines, so that two states can be compared.
flatten() {
  awk '/^\[/ { key = $0; sub(/\] [0-9]+$/, "]", key); next }
       /^#/ || /^$/ || /^WINE REGISTRY/ { next }
       { print key " " $0 }' "$1" | sort
}
"$server" -k 2>/dev/null || true  # writes the registry out
"$server" -w 2>/dev/null || true
cp "$WINEPREFIX/system.reg" "$demo/system.before.reg"
touch "$demo/before"
sleep 1
"$server" -p >/dev/null 2>&1 </dev/null || true

pkg=$(winpath "$demo/package")
echo
echo "=== Installing the video function (korvcam.inf) as $version ==="
run "$(winpath "$here/build/win64/kcinstall.exe")" "$pkg\\korvcam.inf" \
  'USB\VID_1234&PID_0A1B&REV_0100&MI_00' 'USB\VID_1234&PID_0A1B&MI_00' | tr -d '\r'
echo
echo "=== Installing the audio function (korvaudio.inf) as $version ==="
run "$(winpath "$here/build/win64/kcinstall.exe")" "$pkg\\korvaudio.inf" \
  'USB\VID_1234&PID_0A1B&REV_0100&MI_01' 'USB\VID_1234&PID_0A1B&MI_01' | tr -d '\r'
sleep 1  # started programs are not waited for

"$server" -k 2>/dev/null || true
"$server" -w 2>/dev/null || true
echo
echo "=== kcoinst.log (C:\\windows\\system32\\kcoinst.log) ==="
tr -d '\r' <"$WINEPREFIX/drive_c/windows/system32/kcoinst.log"
echo
echo "=== Programs that ran (module|command line) ==="
if [ -f "$demo/started.txt" ]; then tr -d '\r' <"$demo/started.txt"; else echo "(none)"; fi
echo
echo "=== Files the installation created or changed in the prefix ==="
# (by change time: copied files keep their source's modification time)
(cd "$WINEPREFIX" && find drive_c -type f -cnewer "$demo/before" ! -path '*/users/*' | sort)
echo
echo "=== Registry entries the installation added or changed (HKEY_LOCAL_MACHINE) ==="
# (Wine's display driver rewrites its own class key whenever Wine starts.)
comm -13 <(flatten "$demo/system.before.reg") <(flatten "$WINEPREFIX/system.reg") |
  grep -v -i -e '{4D36E968-E325-11CE-BFC1-08002BE10318}' || true
