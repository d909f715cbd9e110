#!/usr/bin/env bash
# Velmora.asi where the runtime is missing: the test host and the plug-in alone in an empty
# folder, no ScriptHookV.dll beside them. The host checks that the loader refuses the
# plug-in with ERROR_MOD_NOT_FOUND and that no ScriptHookV.dll got loaded.
#   run-without-runtime.sh WINE HOST.exe Velmora.asi FOLDER
set -euo pipefail
wine=$1
host=$2
plugin=$3
folder=$4

rm -rf "$folder"
mkdir -p "$folder"
cp "$host" "$plugin" "$folder/"
echo "$folder holds: $(cd "$folder" && echo *)"

# Run from inside the folder: the loader looks in the current folder too.
cd "$folder"
timeout 120 "$wine" "./$(basename "$host")" --without-runtime
