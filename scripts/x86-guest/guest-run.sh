# Sourced by the guest's init with the test disk mounted at /payload (busybox sh): runs each
# executable of run.list under 32-bit Wine and writes its output and exit code to out/.
# The guest's init provides say, $wine and $server.

# The executables sit at the same absolute path as in the build folder, so that paths built
# into them resolve in the guest too.
build=$(cat /payload/build-dir)
limit=$(cat /payload/timeout)
mkdir -p "$(dirname "$build")" /payload/out
ln -s /payload/bin "$build"
say "test disk mounted"
$server -p
[ -f "$build/appdefaults.reg" ] && $wine regedit /S "$build/appdefaults.reg" >/dev/null 2>&1
say "Windows versions imported"
while read -r exe; do
  [ -n "$exe" ] || continue
  (cd "$build" && timeout "$limit" $wine "$build/$exe.exe") >"/payload/out/$exe.txt" 2>&1 </dev/null
  echo $? >"/payload/out/$exe.rc"
  say "$exe exit $(cat "/payload/out/$exe.rc")"
done </payload/run.list
$server -k
