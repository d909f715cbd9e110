#!/usr/bin/env bash
# Velmora.asi goes into the game folder alone, so it may import Windows system DLLs only:
# no MinGW runtime DLL, and not ScriptHookV.dll either, whose functions it looks up at run
# time. It exports nothing; the loader needs no export.
#   check-imports.sh OBJDUMP Velmora.asi
set -euo pipefail
objdump=$1
dll=$2

dump=$("$objdump" -p "$dll")
imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump")
echo "$(basename "$dll") imports:"
sed 's/^/  /' <<<"$imports"

status=0
while read -r name; do
  [[ -z $name ]] && continue
  if ! grep -qiE '^(kernel32|user32|msvcrt|ucrtbase|advapi32|api-ms-win-[a-z0-9-]+)\.dll$' <<<"$name"; then
    echo "FAILED: $name is not a Windows system DLL"
    status=1
  fi
done <<<"$imports"

if grep -qi 'ScriptHookV' <<<"$imports"; then
  echo "FAILED: ScriptHookV.dll is imported; the runtime is bound at run time"
  status=1
fi
# MinGW leaves an export directory holding the DLL's name; it must list no symbol.
exports=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" | grep -E '^[[:space:]]*\[ *[0-9]+\]' || true)
if [[ -n $exports ]]; then
  echo "FAILED: $(basename "$dll") exports symbols:"
  head -20 <<<"$exports"
  status=1
fi
[[ $status -eq 0 ]] && echo "ok: system DLLs only, no exports"
exit $status
