#!/usr/bin/env bash
# The import check must refuse what it is there to catch, not merely pass on the plug-in as
# built: it is fed Velmora.asi's own import and export tables, altered one way at a time.
#   check-imports-refuses.sh check-imports.sh OBJDUMP Velmora.asi WORK-FOLDER
set -euo pipefail
check=$1
objdump=$2
dll=$3
work=$4

rm -rf "$work"
mkdir -p "$work"
"$objdump" -p "$dll" >"$work/dump.txt"
wait_line=$(grep -F '?scriptWait@@YAXK@Z' "$work/dump.txt")
system_dll=$(sed -n 's/^[[:space:]]*DLL Name: \(KERNEL32.dll\)$/\1/Ip' "$work/dump.txt" | head -1)

# name | sed script altering the dump | what the check must say ("" for the unaltered dump,
# which must pass, so that a refusal below is not the fake objdump's doing)
cases=(
  "as built||"
  "a name missing|/?nativeCall@@YAPEA_KXZ/d|not imported from ScriptHookV.dll: ?nativeCall@@YAPEA_KXZ"
  "a name too many|/?scriptWait@@YAXK@Z/{p;s/?scriptWait@@YAXK@Z/?scriptWaitLong@@YAXK@Z/}|not one of the seven, or twice: ?scriptWaitLong@@YAXK@Z"
  "a name twice|/?scriptWait@@YAXK@Z/p|not one of the seven, or twice: ?scriptWait@@YAXK@Z"
  "the names from another DLL|s/DLL Name: ScriptHookV.dll/DLL Name: ScriptHookV2.dll/|ScriptHookV2.dll is not a Windows system DLL"
  "a MinGW runtime DLL|s/DLL Name: $system_dll/DLL Name: libwinpthread-1.dll/|libwinpthread-1.dll is not a Windows system DLL"
  "an export|/^\[Ordinal\/Name Pointer\] Table/a [   0] DllMain|exports symbols"
)

if [[ -z $wait_line || -z $system_dll ]]; then
  echo "FAILED: the dump of $(basename "$dll") lacks the lines the cases alter (?scriptWait, KERNEL32.dll)"
  exit 1
fi

failures=0
for entry in "${cases[@]}"; do
  IFS='|' read -r name edit expected <<<"$entry"
  slug=${name// /-}
  sed "$edit" "$work/dump.txt" >"$work/$slug.txt"
  printf '#!/bin/sh\ncat "%s"\n' "$work/$slug.txt" >"$work/$slug-objdump"
  chmod +x "$work/$slug-objdump"

  status=0
  output=$(bash "$check" "$work/$slug-objdump" "$dll" 2>&1) || status=$?
  verdict=FAILED
  if [[ -z $expected && $status -eq 0 ]] ||
     { [[ -n $expected && $status -eq 1 ]] && grep -qF -- "$expected" <<<"$output"; }; then
    verdict=ok
  fi
  echo "$verdict: $name (exit $status)"
  if [[ $verdict != ok ]]; then
    sed 's/^/    /' <<<"$output"
    failures=$((failures + 1))
  fi
done
exit $((failures > 0))
