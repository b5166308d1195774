#!/usr/bin/env bash
# The taskbar on a real X server with a real window manager, on the X11
# backend (no option): a dock window along the bottom edge, one point below
# it, reserving its height, drawn in the bar's colours, and a clean exit on SIGTERM.
set -euo pipefail
exe="$1"
out="$2"
root="$(cd "$(dirname "$0")/../.." && pwd)"
. "$root/scripts/lib/private-x.sh"
mkdir -p "$out"

pid=""
term=""
cleanup() {
  [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null || true
  [ -n "$term" ] && kill "$term" 2>/dev/null || true
  stop_private_x
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

start_private_x 1440x900
xterm -geometry 80x24+40+40 >/dev/null 2>&1 &
term=$!

defaults="$(mktemp -d)"
export HOME="$defaults" XDG_CONFIG_HOME="$defaults/config"
"$exe" --defaults-dir "$defaults" >"$out/vantorel.log" 2>&1 &
pid=$!
id="$(wait_for_window "Vantorel Taskbar" 30)" || { cat "$out/vantorel.log"; fail "no taskbar window"; }
sleep 0.5

geometry="$(xwininfo -id "$id")"
x="$(awk '/Absolute upper-left X/ {print $4}' <<<"$geometry")"
y="$(awk '/Absolute upper-left Y/ {print $4}' <<<"$geometry")"
w="$(awk '/Width:/ {print $2}' <<<"$geometry")"
h="$(awk '/Height:/ {print $2}' <<<"$geometry")"
echo "panel at ${x},${y} ${w}x${h}"
# 100 %: a 55-point bar plus the 1-point overhang below the screen's edge.
[ "$x" = 0 ] && [ "$w" = 1440 ] && [ "$h" = 56 ] && [ "$y" = 845 ] || fail "panel geometry ${x},${y} ${w}x${h}"
type="$(xprop -id "$id" _NET_WM_WINDOW_TYPE)"
[[ "$type" == *_NET_WM_WINDOW_TYPE_DOCK* ]] || fail "not a dock window: $type"

# Maximised windows end where the bar begins.
workarea="$(xprop -root _NET_WORKAREA)"
echo "$workarea"
[[ "$workarea" == *"0, 0, 1440, 845"* ]] || fail "work area $workarea"

import -window root "$out/screen.png"
# The light background (0.94, 0.94, 0.95) fills the bar; the desktop above stays black.
bar="$(convert "$out/screen.png" -format '%[pixel:p{700,880}]' info:)"
above="$(convert "$out/screen.png" -format '%[pixel:p{700,820}]' info:)"
echo "bar pixel $bar, above $above"
case "$bar" in srgb\(2[34][0-9],2[34][0-9],2[34][0-9]*) ;; *) fail "bar colour $bar" ;; esac
case "$above" in srgb\(0,0,0\)) ;; *) fail "the bar reaches above its height: $above" ;; esac

# A second copy on the same display leaves at once with status 0.
status=0
timeout 20 "$exe" --defaults-dir "$(mktemp -d)" >/dev/null 2>&1 || status=$?
[ "$status" = 0 ] || fail "second copy exited with $status"
kill -0 "$pid" || fail "the first copy died"

kill -TERM "$pid"
status=0
wait "$pid" || status=$?
pid=""
[ "$status" = 0 ] || fail "exit status after SIGTERM: $status"
echo "PASS"
