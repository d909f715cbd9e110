#!/usr/bin/env bash
# Plays one scenario twice and compares the traces: in the Linux simulator (the reference)
# and under Wine, where the test host loads the real Velmora.asi into a process served by
# our runtime stand-in.
#   run-scenario.sh WINE HOST.exe VELMORA-WINE-CHECK SHIPPED.ini SCENARIO RUN-FOLDER
set -euo pipefail
wine=$1
host=$2
check=$3
ini=$4
scenario=$5
run=$6

for needed in "$check" "$ini"; do
  if [[ ! -e $needed ]]; then
    echo "missing $needed: the Wine tests take the reference tools from the Linux build (cmake --build --preset ci)"
    exit 1
  fi
done

rm -rf "$run"
mkdir -p "$run"
cp "$ini" "$run/shipped.ini"
# The host opens files by paths relative to its folder, which Wine maps to a drive.
name=$scenario
if [[ $scenario == *.json ]]; then
  cp "$scenario" "$run/scenario.json"
  name=scenario.json
fi

echo "== Linux: velmora-wine-check reference $scenario"
"$check" reference "$scenario" --ini "$ini" --trace "$run/linux.csv" | tee "$run/linux.txt"

echo "== Windows: $(basename "$host") under Wine"
status=0
(cd "$run" && timeout 240 "$wine" "$host" "$name" --ini shipped.ini --trace windows.csv) | tee "$run/windows.txt" \
  || status=$?
if [[ $status -ne 0 ]]; then
  echo "FAILED: the Windows run exited with status $status"
  exit 1
fi

echo "== compare"
"$check" compare "$run/linux.csv" "$run/windows.csv"

# The look queries the plug-in made of Gears.asi: in-process on Linux, through the real
# DLL under Wine.
queries() { sed -n "s/^Gears.asi look queries answered: \([0-9]*\).*/\1/p" "$1"; }
if [[ "$(queries "$run/linux.txt")" != "$(queries "$run/windows.txt")" ]]; then
  echo "FAILED: Gears.asi look queries: Linux $(queries "$run/linux.txt"), Windows $(queries "$run/windows.txt")"
  exit 1
fi
echo "ok: Gears.asi look queries agree ($(queries "$run/windows.txt"))"

# Velmora.asi's QueryPerformanceCounter and QueryPerformanceFrequency imports answer from the
# simulated world's wall clock, as the Linux host's counter does: both must be redirected.
redirected=$(sed -n "s/^Velmora.asi performance counter imports redirected: \([0-9-]*\).*/\1/p" "$run/windows.txt")
if [[ $redirected != 2 ]]; then
  echo "FAILED: Velmora.asi performance counter imports redirected: ${redirected:-not reported}, want 2"
  exit 1
fi
echo "ok: both performance counter imports of Velmora.asi read the world's wall clock"
