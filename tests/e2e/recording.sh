#!/usr/bin/env bash
# The record button for real: a private sound server whose default source
# hears what is played into a null sink stands in for the microphone. One
# press records, synthetic meeting speech plays, the second press stops; the
# summary file appears in Documents with a transcript close to the spoken text
# and a summary made of its sentences, the file manager is asked to show it
# and a notice says where it is.
. "$(dirname "$0")/lib.sh" "$@"
helpers="${VANTOREL_HELPERS:?the helpers folder}"

start_private_x 1440x900
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" TMPDIR="$work/tmp"
mkdir -p "$HOME" "$TMPDIR"

# A session bus of our own, with a file manager and a notification server that log their calls.
start_desktop_services "$helpers" "$out/services.log" || fail "the fake desktop services did not start"

# The sound server: a null sink whose monitor is the default source.
export PULSE_SERVER="unix:$work/pulse.sock"
pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit --use-pid-file=no \
  -L "module-native-protocol-unix socket=$work/pulse.sock auth-anonymous=1" \
  -L "module-null-sink sink_name=room rate=44100 channels=1" >"$out/pulseaudio.log" 2>&1 &
started+=("$!")
for _ in $(seq 1 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl set-default-source room.monitor || fail "no sound server"

# Read from a file, flite pauses between sentences as a speaker does.
flite -voice slt -f "$root/tests/speech/meeting.txt" -o "$work/meeting.wav"

# Settings with the recording add-on installed.
defaults="$work/defaults"
mkdir -p "$defaults"
blob="$(printf '{"recordingAddonInstalled":true}' | base64 -w0)"
printf '{"com.vantorel.settings":{"base64":"%s"}}' "$blob" >"$defaults/com.vantorel.app.json"

state="$work/state.json"
start_taskbar "$defaults"
sleep 1

# Where the record button is, as the taskbar reports it.
read -r bx by <<<"$(tray_button_center "$state" record)" || fail "no record button in the bar"
echo "record button at $bx,$by"
import -window root "$out/before.png"

xdotool mousemove "$bx" "$by" click 1
# Recording once the recorder listens to the sound server.
for _ in $(seq 1 100); do [ -n "$(pactl list short source-outputs)" ] && break; sleep 0.1; done
[ -n "$(pactl list short source-outputs)" ] || fail "the recorder never connected to the sound server"
# While recording the ring holds a red dot.
dot=""
for _ in $(seq 1 50); do
  dot="$(import -window root -crop 1x1+"$bx"+"$by" +repage png:- | convert png:- -format '%[fx:int(255*r)],%[fx:int(255*g)]' info:)"
  [ "${dot%,*}" -gt 200 ] && [ "${dot#*,}" -lt 60 ] && break
  sleep 0.1
done
[ "${dot%,*}" -gt 200 ] && [ "${dot#*,}" -lt 60 ] || fail "no red dot while recording ($dot)"
import -window root "$out/recording.png"
ls "$TMPDIR/VantorelRecordings/"recording-*.m4a >/dev/null || fail "no temporary recording"
paplay --device=room "$work/meeting.wav"
sleep 0.5
xdotool mousemove "$bx" "$by" click 1

summaries="$HOME/Documents/Recording Summaries"
file=""
for _ in $(seq 1 1500); do
  file="$(ls "$summaries"/Recording\ Summary\ *.md 2>/dev/null | head -n1 || true)"
  [ -n "$file" ] && break
  sleep 0.1
done
[ -n "$file" ] || fail "no summary file after 150 s"
cp "$file" "$out/summary.md"
echo "summary: $file"
"$helpers/transcript_check" "$root/tests/speech/meeting.txt" "$file" 0.25 || fail "the transcript or summary is off"

# Shown in the file manager, announced, and no temporary audio left.
for _ in $(seq 1 50); do grep -q '^Notify ' "$out/services.log" && break; sleep 0.1; done
cat "$out/services.log"
grep -q "^ShowItems file://.*Recording%20Summary%20.*\.md$" "$out/services.log" || fail "the summary was not revealed"
grep -qF "Notify Recording summary saved|$file|default,Open" "$out/services.log" || fail "no notice of the summary"
[ -z "$(ls "$TMPDIR/VantorelRecordings" 2>/dev/null)" ] || fail "temporary audio left behind"
[ -z "$(ls "$summaries"/*.m4a 2>/dev/null)" ] || fail "audio kept although the transcript is there"
import -window root "$out/after.png"

stop_taskbar
echo "PASS"
