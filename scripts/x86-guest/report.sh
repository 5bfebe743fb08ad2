#!/usr/bin/env bash
# One test executable's result from the last guest run: prints its output, exits with its code.
# usage: report.sh <build folder> <exe name>
results=$1/x86-guest/results
if [ ! -f "$results/$2.rc" ]; then
  echo "FAIL: no result for $2 from the emulated machine (see $1/x86-guest/console.log)"
  exit 1
fi
tr -d '\r' <"$results/$2.txt"
code=$(cat "$results/$2.rc")
[ "$code" = 0 ] || echo "FAIL: $2.exe exited with $code in the emulated machine"
exit "${code:-1}"
