#!/usr/bin/env bash
# The layering check passes on the tree as it is, and refuses an include planted to climb:
# a host header that reaches up to a subsystem, a service that reaches the frame driver, and a
# subsystem's header that includes the state aggregate (only a .cpp may).
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
check="$root/scripts/check-layers"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

"$check" "$root/src" >/dev/null || { echo "FAIL: the tree as it is does not pass"; exit 1; }

fail=0
# file to plant in | include planted | what the refusal must name
while IFS='|' read -r file include expected; do
  rm -rf "$work/src" && cp -r "$root/src" "$work/src"
  lines=$(wc -l <"$work/src/$file")
  printf '#include "%s"\n' "$include" >>"$work/src/$file"
  if output="$("$check" "$work/src")"; then
    echo "FAIL: $include in $file was not refused"
    fail=1
  elif [[ "$output" != *"$file:$((lines + 1)): $expected"* ]]; then
    echo "FAIL: the refusal of $include in $file does not name the file, the line and the rule:"
    echo "$output"
    fail=1
  fi
done <<'PLANTS'
host/native.h|menu/menu.h|host (host) includes menu/menu.h (subsystems)
services/log.cpp|plugin/frame_driver.h|services (services) includes plugin/frame_driver.h (plugin)
menu/menu.h|plugin/velmora.h|menu (subsystems) includes plugin/velmora.h (plugin)
PLANTS

# A folder without a layer is refused too, so a new folder cannot slip past the table.
rm -rf "$work/src" && cp -r "$root/src" "$work/src" && mkdir "$work/src/extra" && : >"$work/src/extra/x.h"
if "$check" "$work/src" >/dev/null; then echo "FAIL: a folder without a layer was not refused"; fail=1; fi

[[ $fail -eq 0 ]] && echo "check-layers refuses every planted climb"
exit $fail
