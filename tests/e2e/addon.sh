#!/usr/bin/env bash
# The recording add-on as a user gets it: Settings… in the start button's
# menu, Download; the manifest appears in the XDG data folder and the folder
# and record buttons in the tray; the folder button opens "Recording
# Summaries" in the file manager; Remove takes the buttons and the folder away.
. "$(dirname "$0")/lib.sh" "$@"
helpers="${VANTOREL_HELPERS:?the helpers folder}"

start_private_x 1440x900
fresh_taskbar_user "$work" '{"appearanceMode":"light"}'

# A session bus with a file manager that logs what it is asked to show.
start_desktop_services "$helpers" "$out/services.log" || fail "the fake desktop services did not start"

state="$work/state.json"
start_taskbar "$work/defaults"
sleep 0.5
grep -q '"record"' "$state" && fail "tray buttons before the add-on is installed"

# Settings… is the first entry of the start button's menu; the window comes up
# with the keyboard at its tabs.
open_settings() {
  xdotool mousemove 30 872 click 3
  sleep 0.5
  xdotool key Down Return
  wait_for_window "Settings" 20 >/dev/null || fail "Settings… showed no window"
  sleep 0.5
}
open_settings
# The Add-ons tab, then its first control: Download.
xdotool key Right
sleep 0.3
import -window root "$out/addons.png"
xdotool key Tab space
read -r fx fy <<<"$(tray_button_center "$state" folder)" || fail "no folder button after Download"
read -r rx ry <<<"$(tray_button_center "$state" record)" || fail "no record button after Download"
echo "folder button at $fx,$fy, record button at $rx,$ry"
manifest="$XDG_DATA_HOME/Vantorel/Add-ons/recording-transcription/manifest.json"
[ -f "$manifest" ] || fail "no manifest at $manifest"
cat "$manifest"
grep -Eq '^  "installedAt": "[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}Z"$' "$manifest" ||
  fail "the install time is not UTC without fractions"
import -window root "$out/installed.png"

xdotool mousemove "$fx" "$fy" click 1
folder="$HOME/Documents/Recording Summaries"
for _ in $(seq 1 50); do grep -q '^ShowFolders ' "$out/services.log" && break; sleep 0.1; done
cat "$out/services.log"
grep -qx "ShowFolders file://${HOME// /%20}/Documents/Recording%20Summaries" "$out/services.log" ||
  fail "the summaries folder was not shown"
[ -d "$folder" ] || fail "the summaries folder was not made"

# Once installed, Download is disabled and Remove is the tab's first control.
open_settings
xdotool key Tab space
for _ in $(seq 1 100); do grep -q '"record"' "$state" || break; sleep 0.1; done
grep -q '"record"' "$state" && fail "the tray buttons stayed after Remove"
[ -e "$(dirname "$manifest")" ] && fail "the add-on folder stayed after Remove"
import -window root "$out/removed.png"

stop_taskbar
echo "PASS"
