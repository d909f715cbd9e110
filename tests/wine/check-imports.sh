#!/usr/bin/env bash
# Velmora.asi goes into the game folder beside the runtime: it imports exactly the runtime's seven functions from
# ScriptHookV.dll, by their decorated names, and otherwise Windows system DLLs only (no MinGW runtime DLL: the game
# folder holds none). It exports nothing; the loader needs no export.
#   check-imports.sh OBJDUMP Velmora.asi
set -euo pipefail
objdump=$1
dll=$2

# The runtime's exports as it names them, written out here rather than taken from the .def
# files the import libraries are made from.
runtime_names='?getScriptHandleBaseAddress@@YAPEAEH@Z
?nativeCall@@YAPEA_KXZ
?nativeInit@@YAX_K@Z
?nativePush64@@YAX_K@Z
?scriptRegister@@YAXPEAUHINSTANCE__@@P6AXXZ@Z
?scriptUnregister@@YAXPEAUHINSTANCE__@@@Z
?scriptWait@@YAXK@Z'

dump=$("$objdump" -p "$dll")
# "DLL<tab>name" for every imported function: each DLL's block of the import tables runs
# from its "DLL Name:" line to the next empty line, one function a line after the header.
imports=$(awk '
  /^[[:space:]]*DLL Name: / { sub(/^[[:space:]]*DLL Name: /, ""); dll = $0; next }
  dll != "" && /^[[:space:]]*$/ { dll = ""; next }
  dll != "" && /^[[:space:]]*vma:/ { next }
  dll != "" { print dll "\t" $3 }' <<<"$dump")
dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump")
echo "$(basename "$dll") imports:"
sed 's/^/  /' <<<"$dlls"

status=0
while read -r name; do
  [[ -z $name ]] && continue
  [[ ${name,,} == scripthookv.dll ]] && continue
  if ! grep -qiE '^(kernel32|user32|msvcrt|ucrtbase|advapi32|api-ms-win-[a-z0-9-]+)\.dll$' <<<"$name"; then
    echo "FAILED: $name is not a Windows system DLL"
    status=1
  fi
done <<<"$dlls"

# By name, and each once: a duplicate shows as one too many.
from_runtime=$(awk -F '\t' 'tolower($1) == "scripthookv.dll" { print $2 }' <<<"$imports" | LC_ALL=C sort)
expected=$(LC_ALL=C sort <<<"$runtime_names")
missing=$(LC_ALL=C comm -23 <(echo "$expected") <(echo "$from_runtime") | sed '/^$/d')
extra=$(LC_ALL=C comm -13 <(echo "$expected") <(echo "$from_runtime") | sed '/^$/d')
echo "from ScriptHookV.dll:"
sed 's/^/  /' <<<"$from_runtime"
if [[ -n $missing ]]; then
  sed 's/^/FAILED: not imported from ScriptHookV.dll: /' <<<"$missing"
  status=1
fi
if [[ -n $extra ]]; then
  sed 's/^/FAILED: imported from ScriptHookV.dll but not one of the seven, or twice: /' <<<"$extra"
  status=1
fi

# MinGW leaves an export directory holding the DLL's name; it must list no symbol.
exports=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" | grep -E '^[[:space:]]*\[ *[0-9]+\]' || true)
if [[ -n $exports ]]; then
  echo "FAILED: $(basename "$dll") exports symbols:"
  head -20 <<<"$exports"
  status=1
fi
[[ $status -eq 0 ]] && echo "ok: the seven runtime functions from ScriptHookV.dll, otherwise system DLLs only, no exports"
exit $status
