# Sourced by the guest's init with the test disk mounted at /payload (busybox sh): runs each
# executable of run.list under 32-bit Wine and writes its output and exit code to out/.
# The guest's init provides say, $wine and $server.

# The source tree and the executables sit at the same absolute paths as on the build
# machine, so that paths built into the tests resolve in the guest too.
tree=$(cat /payload/source-dir)
build=$(cat /payload/build-dir)
limit=$(cat /payload/timeout)
mkdir -p "$(dirname "$tree")" /payload/out
ln -s /payload/source "$tree"
mkdir -p "$(dirname "$build")"
ln -s /payload/bin "$build"
say "test disk mounted"
# Each executable's Windows version goes straight into the prefix's user.reg before the
# server loads it: regedit would cost one more program start.
if [ -f "$build/appdefaults.reg" ]; then
  tr -d '\r' <"$build/appdefaults.reg" | awk '
    /^\[HKEY_CURRENT_USER\\/ {
      key = substr($0, 20, length($0) - 20)
      gsub(/\\/, "\\\\", key)
      print "\n[" key "] 0"
      next
    }
    /^"/ { print }' >>"$WINEPREFIX/user.reg"
fi
$server -p
while read -r exe; do
  [ -n "$exe" ] || continue
  (cd "$build" && timeout "$limit" $wine "$build/$exe.exe") >"/payload/out/$exe.txt" 2>&1 </dev/null
  echo $? >"/payload/out/$exe.rc"
  say "$exe exit $(cat "/payload/out/$exe.rc")"
done </payload/run.list
$server -k
