#!/usr/bin/env bash
# Plays one scenario twice and compares the traces: in the Linux simulator (the reference) and under Wine, where the
# test host loads the real Velmora.asi into a process served by our runtime stand-in.
#   run-scenario.sh WINE HOST.exe VELMORA-WINE-CHECK SHIPPED.ini SCENARIO RUN-FOLDER
set -euo pipefail
wine=$1
host=$2
check=$3
ini=$4
scenario=$5
run=$6
fail() { echo "$*"; exit 1; }

for needed in "$check" "$ini"; do
  [[ -e $needed ]] ||
    fail "missing $needed: the Wine tests take the reference tools from the Linux build (cmake --build --preset ci)"
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
"$check" reference "$scenario" --ini "$ini" --trace "$run/linux.csv" --log "$run/linux.log" | tee "$run/linux.txt"

# Velmora.log is written beside Velmora.asi and started afresh at each game start: what a
# previous run left there must be gone after this one.
log_beside_plugin="$(dirname "$host")/Velmora.log"
echo "a previous session's log" > "$log_beside_plugin"

echo "== Windows: $(basename "$host") under Wine"
status=0
(cd "$run" && timeout 240 "$wine" "$host" "$name" --ini shipped.ini --trace windows.csv) | tee "$run/windows.txt" \
  || status=$?
[[ $status -eq 0 ]] || fail "FAILED: the Windows run exited with status $status"

echo "== compare"
"$check" compare "$run/linux.csv" "$run/windows.csv"

echo "== Velmora.log"
if [[ ! -s $log_beside_plugin ]] || grep -q "a previous session's log" "$log_beside_plugin"; then
  fail "FAILED: Velmora.log beside Velmora.asi was not written afresh"
fi
cp "$log_beside_plugin" "$run/windows.log"
# The same lines at the same times; only the settings file's folder differs (a temporary
# folder on Linux, the run's folder on a Wine drive), and Windows goes on to unload the plug-in.
same_folder() { sed -E 's#[^ ]*[/\\]Velmora\.ini#<folder>/Velmora.ini#' "$1"; }
linux_lines=$(wc -l < "$run/linux.log")
diff <(same_folder "$run/linux.log") <(same_folder "$run/windows.log" | head -n "$linux_lines") ||
  fail "FAILED: Velmora.log differs between Linux and Windows"
extra=$(tail -n "+$((linux_lines + 1))" "$run/windows.log" | sed -E 's/^ *[0-9.]+  [a-z]+ +//' | tr -d '\r' \
  | grep -v -x -e "camera released: Velmora is unloaded" -e "unloaded" || true)
[[ -z $extra ]] || fail "FAILED: Velmora.log on Windows has lines the Linux run has not: $extra"
echo "ok: Velmora.log agrees ($linux_lines lines, then the unloading)"

# The look queries the plug-in made of Gears.asi: in-process on Linux, through the real DLL under Wine.
queries() { sed -n "s/^Gears.asi look queries answered: \([0-9]*\).*/\1/p" "$1"; }
if [[ "$(queries "$run/linux.txt")" != "$(queries "$run/windows.txt")" ]]; then
  fail "FAILED: Gears.asi look queries: Linux $(queries "$run/linux.txt"), Windows $(queries "$run/windows.txt")"
fi
echo "ok: Gears.asi look queries agree ($(queries "$run/windows.txt"))"

# Velmora.asi's QueryPerformanceCounter and QueryPerformanceFrequency imports answer from the
# simulated world's wall clock, as the Linux host's counter does: both must be redirected.
redirected=$(sed -n "s/^Velmora.asi performance counter imports redirected: \([0-9-]*\).*/\1/p" "$run/windows.txt")
[[ $redirected == 2 ]] ||
  fail "FAILED: Velmora.asi performance counter imports redirected: ${redirected:-not reported}, want 2"
echo "ok: both performance counter imports of Velmora.asi read the world's wall clock"
