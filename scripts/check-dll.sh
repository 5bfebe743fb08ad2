#!/usr/bin/env bash
# Checks a built kcoinst.dll: machine type, exactly the two undecorated exports, only
# system DLLs and msvcrt.dll imported, and the version resource.
# usage: check-dll.sh <kcoinst.dll> <objdump>
set -u
dll=$1 objdump=$2
fail=0
complain() { echo "FAIL: $*"; fail=1; }

headers=$("$objdump" -p "$dll") || { echo "FAIL: $objdump cannot read $dll"; exit 1; }
format=$("$objdump" -f "$dll" | sed -n 's/.*file format //p')
case "$objdump" in
  i686-*) want_format=pei-i386 ;;
  *) want_format=pei-x86-64 ;;
esac
[ "$format" = "$want_format" ] || complain "file format is '$format', expected $want_format"

exports=$(printf '%s\n' "$headers" | awk '/\[Ordinal\/Name Pointer\] Table/ {t=1; next} t && /^[ \t]*\[/ {print $NF; next} t {t=0}' | sort | tr '\n' ' ')
[ "$exports" = "DuZuZodadeduv SetupEntryPoint " ] || complain "exports are '$exports'"

allowed=" advapi32.dll kernel32.dll msvcrt.dll ole32.dll setupapi.dll shell32.dll shlwapi.dll user32.dll version.dll "
imports=$(printf '%s\n' "$headers" | sed -n "s/^[[:space:]]*DLL Name: //p" | tr 'A-Z' 'a-z' | sort -u)
[ -n "$imports" ] || complain "no imported DLLs found"
for name in $imports; do
  case "$allowed" in *" $name "*) ;; *) complain "imports $name" ;; esac
done

resources=$(strings -el "$dll")
for key in FileVersion ProductVersion FileDescription ProductName OriginalFilename; do
  printf '%s\n' "$resources" | grep -qx "$key" || complain "version resource lacks $key"
done
printf '%s\n' "$resources" | grep -qx "kcoinst.dll" || complain "OriginalFilename is not kcoinst.dll"

[ $fail = 0 ] && echo "ok: $dll is $format, exports $exports, imports $(echo $imports)"
exit $fail
