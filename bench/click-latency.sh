#!/usr/bin/env bash
# Click-to-active latency on a real desktop: a private Xvfb with openbox, the
# taskbar and two applications. The clicks alternate between their buttons,
# so each one brings an application from the background; each is timed from
# the button press (XTEST) until the window manager names that application's
# window in _NET_ACTIVE_WINDOW. Prints every click, then the median and the
# worst. The machine's load decides the figures: run it on a quiet machine
# and compare runs, not single numbers.
#
# Usage: bench/click-latency.sh [vantorel executable] [build folder]
#   build folder (default build/debug) holds bench/click_probe and
#   tests/helpers/x_client, built when missing; the executable defaults to
#   the one in that folder.
# Environment: CLICKS (50).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
. "$root/scripts/lib/private-x.sh"

CLICKS="${CLICKS:-50}"
build="${2:-$root/build/debug}"
exe="${1:-$build/src/vantorel}"
probe="$build/bench/click_probe"
client="$build/tests/helpers/x_client"
for program in "$exe" "$probe" "$client"; do
  if [ ! -x "$program" ]; then
    echo "building the taskbar, the probe and the test client in $build" >&2
    nice -n 10 cmake --build "$build" -j2 --target vantorel click_probe x_client >/dev/null
    break
  fi
done

pid=""
apps=()
scratch="$(mktemp -d)"
cleanup() {
  [ "$BASHPID" = "$$" ] || return 0
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  local a
  for a in "${apps[@]}"; do kill "$a" 2>/dev/null || true; done
  stop_private_x
  rm -rf "$scratch"
}
trap cleanup EXIT

start_private_x 1440x900
# A fresh user: nothing pinned, one button per application, no first-run window.
fresh_taskbar_user "$scratch" '{"onboardingCompleted":true}'

state="$scratch/buttons.json"
VANTOREL_STATE_FILE="$state" "$exe" --defaults-dir "$scratch/defaults" >"$scratch/vantorel.log" 2>&1 &
pid=$!
wait_for_window "Vantorel Taskbar" 30 >/dev/null || { cat "$scratch/vantorel.log" >&2; echo "no taskbar" >&2; exit 1; }

for name in Alpha Beta; do
  "$client" --window "$name" "$name" >/dev/null 2>&1 &
  apps+=("$!")
  wait_for_window "$name" 20 >/dev/null || { echo "no window $name" >&2; exit 1; }
done

echo "click-to-active latency, $CLICKS clicks, $(basename "$exe") from $(dirname "$exe")"
"$probe" "$state" "$CLICKS" Alpha Beta
