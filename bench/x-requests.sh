#!/usr/bin/env bash
# Counts the X requests vantorel sends while the desktop is idle, per
# connection and per request name. The window-state check and the registry run
# every second on state kept from events; any request seen here each second
# would be a round trip to the server that the design rules out.
#
# Usage: bench/x-requests.sh [vantorel executable]   (IDLE_SECONDS, default 20)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
. "$root/scripts/lib/private-x.sh"
IDLE_SECONDS="${IDLE_SECONDS:-20}"
vantorel="${1:-$root/build/release/src/vantorel}"
command -v xtrace >/dev/null || {
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends xtrace >/dev/null
}

session="$(mktemp -d)"
pids=()
cleanup() {
  [ "$BASHPID" = "$$" ] || return 0
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  stop_private_x
  rm -rf "$session"
}
trap cleanup EXIT

start_private_x 1440x900
export HOME="$session/home" XDG_CONFIG_HOME="$session/home/.config" XDG_DATA_HOME="$session/home/.local/share"
export XDG_CACHE_HOME="$session/home/.cache"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"
for i in $(seq 1 20); do
  xterm -geometry 80x24+$((i * 30))+$((i * 20)) >/dev/null 2>&1 &
  pids+=("$!")
done
xclock >/dev/null 2>&1 &
pids+=("$!")
xeyes >/dev/null 2>&1 &
pids+=("$!")
sleep 2

# xtrace listens as a display of its own: the first free number from 50 on.
fake=50
while [ -e "/tmp/.X11-unix/X$fake" ] || [ -e "/tmp/.X$fake-lock" ]; do fake=$((fake + 1)); done
log="$session/xtrace.log"
xtrace -n -D ":$fake" -d "$DISPLAY" -o "$log" -- "$vantorel" >"$session/vantorel.log" 2>&1 &
pids+=("$!")
wait_for_window "Vantorel Taskbar" 30 >/dev/null || { cat "$session/vantorel.log"; exit 1; }
sleep 5
start_line="$(wc -l <"$log")"
sleep "$IDLE_SECONDS"
end_line="$(wc -l <"$log")"

echo "X requests sent by vantorel during ${IDLE_SECONDS} s of idle (connection: count request):"
# Requests are the client's lines: "NNN:<:SEQ: LEN: Request(OP): Name ..." (extensions as "Ext-Name").
sed -n "$((start_line + 1)),${end_line}p" "$log" |
  sed -n 's/^\([0-9]*\):<:[0-9a-f]*: *[0-9]*: \([^ (]*\)(\([0-9,]*\)): \([A-Za-z0-9_-]*\).*/\1 \2(\3) \4/p' |
  sort | uniq -c | sort -rn | awk '{printf "  connection %s: %6d %s %s\n", $2, $1, $3, $4}'
total="$(sed -n "$((start_line + 1)),${end_line}p" "$log" | grep -c '^[0-9]*:<:' || true)"
echo "  total: $total requests on $(grep -o '^[0-9]*:<' "$log" | sort -u | wc -l) connections" \
  "(start-up before that: $(head -n "$start_line" "$log" | grep -c '^[0-9]*:<:' || true))"
