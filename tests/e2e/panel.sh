#!/usr/bin/env bash
# The taskbar on a real X server with a real window manager, on the X11
# backend (no option): a dock window along the bottom edge, one point below
# it, reserving its height, drawn in the bar's colours, and a clean exit on SIGTERM.
. "$(dirname "$0")/lib.sh" "$@"

start_private_x 1440x900
xterm -geometry 80x24+40+40 >/dev/null 2>&1 &
started+=("$!")
export HOME="$work" XDG_CONFIG_HOME="$work/config"
start_taskbar "$work"
id="$taskbar_window"
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
mkdir "$work/second"
timeout 20 "$exe" --defaults-dir "$work/second" >/dev/null 2>&1 || status=$?
[ "$status" = 0 ] || fail "second copy exited with $status"
kill -0 "$pid" || fail "the first copy died"

stop_taskbar
[ "$status" = 0 ] || fail "exit status after SIGTERM: $status"
echo "PASS"
