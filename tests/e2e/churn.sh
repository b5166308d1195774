#!/usr/bin/env bash
# The taskbar on the real desktop while xterms come and go five times a
# second for a minute, a few kept alive at random: it stays up, its memory
# does not grow with the churn, and at the end its buttons are exactly the
# windows that survived. Then a hundred activations among several
# applications leave the applications' order in the row unchanged, and the
# taskbar rests once nothing happens.
. "$(dirname "$0")/lib.sh" "$@"

# Each wait for the desktop to settle allows a minute: only one that never settles fails.
CHURN_SECONDS="${CHURN_SECONDS:-60}"
WARMUP_SECONDS="${WARMUP_SECONDS:-8}"
MAX_RSS_GROWTH_KB=$((5 * 1024))

terms=()
spawned=0
cleanup_more() {
  local t
  for t in "${terms[@]}"; do kill -9 "$t" 2>/dev/null || true; done
}

alive() { [ -d "/proc/$1" ] && ! grep -q '^State:.*Z' "/proc/$1/status" 2>/dev/null; }
rss_kb() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status"; }

# Spawns one xterm and ends a random few so that between two and five stay.
churn_step() {
  xterm -geometry 40x8+$((RANDOM % 1000))+$((RANDOM % 600)) -T "churn $RANDOM" >/dev/null 2>&1 &
  terms+=("$!")
  disown "$!"
  spawned=$((spawned + 1))
  local keep=$((2 + RANDOM % 4))
  while [ "${#terms[@]}" -gt "$keep" ]; do
    # Any but the newest, which may still be a shell between fork and exec.
    local i=$((RANDOM % (${#terms[@]} - 1)))
    # Half of them get no chance to clean up.
    if [ $((RANDOM % 2)) = 0 ]; then kill -TERM "${terms[$i]}" 2>/dev/null || true
    else kill -KILL "${terms[$i]}" 2>/dev/null || true; fi
    terms=("${terms[@]:0:$i}" "${terms[@]:$((i + 1))}")
  done
}

churn_for() {
  local end=$((SECONDS + $1))
  while [ $SECONDS -lt $end ]; do
    churn_step
    sleep 0.2
  done
}

# Client windows the window manager lists and manages (ICCCM WM_STATE set),
# less the taskbar's own docks. Under load the manager may go on listing a
# window already destroyed, or one it never finished taking (unmapped, no
# WM_STATE): neither is on screen.
client_windows() {
  local ids id props
  ids="$(xprop -root _NET_CLIENT_LIST | sed -n 's/.*# //p' | tr -d ',')"
  for id in $ids; do
    props="$(xprop -id "$id" _NET_WM_WINDOW_TYPE WM_STATE 2>/dev/null)" && [ -n "$props" ] || continue
    grep -q 'WM_STATE:  not found' <<<"$props" && continue
    grep -q _NET_WM_WINDOW_TYPE_DOCK <<<"$props" || printf '%d\n' "$id"
  done | sort -n
}

# Window numbers of the taskbar's buttons, from the file it writes on each publish.
button_windows() {
  # Window buttons are keyed "identifier#window"; the file is written whole each time.
  { grep -o '"key":"[^"]*#[0-9]*"' "$state" 2>/dev/null || true; } | sed 's/.*#\([0-9]*\)"$/\1/' | sort -n
}

# "window title" lines of both sides, to check that titles follow their windows.
button_titles() {
  sed 's/},{/}\n{/g' "$state" | sed -n 's/.*"key":"[^"]*#\([0-9]*\)".*"title":"\([^"]*\)".*/\1 \2/p' | sort -n
}
window_titles() {
  local id
  for id in $(client_windows); do echo "$id $(xdotool getwindowname "$id")"; done
}

start_private_x 1440x900
# A fresh user: nothing pinned, one button per window, no first-run window.
fresh_taskbar_user "$work" '{"combineWindowsByApp":false,"onboardingCompleted":true}'
state="$out/buttons.json"
rm -f "$state"
start_taskbar "$work/defaults"

# The row follows a single window first; without that the rest means nothing.
xterm -geometry 40x8+100+100 -T "first" >/dev/null 2>&1 &
terms+=("$!")
disown "$!"
for _ in $(seq 1 600); do
  [ -n "$(client_windows)" ] && [ "$(button_windows)" = "$(client_windows)" ] && break
  sleep 0.1
done
[ -n "$(button_windows)" ] && [ "$(button_windows)" = "$(client_windows)" ] ||
  fail "no button for the first xterm: $(cat "$state" 2>/dev/null)"

# Fonts, icons and the allocator's pools settle during a short churn first.
churn_for "$WARMUP_SECONDS"
sleep 2
alive "$pid" || fail "vantorel died during the warm-up"
rss_before="$(rss_kb "$pid")"

churn_for "$CHURN_SECONDS"
alive "$pid" || fail "vantorel died during the churn"

# Every survivor maps its window, then the row settles on exactly those windows.
for _ in $(seq 1 600); do
  [ "$(client_windows | wc -l)" = "${#terms[@]}" ] && break
  sleep 0.1
done
# A window the manager never finished taking is its own fault, not ours: said, not failed.
[ "$(client_windows | wc -l)" = "${#terms[@]}" ] ||
  echo "note: the window manager manages $(client_windows | wc -l) windows of ${#terms[@]} xterms" >&2
match=0
for _ in $(seq 1 600); do
  if [ "$(button_windows)" = "$(client_windows)" ]; then match=1; break; fi
  sleep 0.1
done
sleep 1
rss_after="$(rss_kb "$pid")"
echo "surviving windows: $(client_windows | tr '\n' ' ')"
echo "buttons:           $(button_windows | tr '\n' ' ')"
if [ "$match" = 0 ]; then
  for id in $(comm -23 <(client_windows | sort) <(button_windows | sort)); do
    echo "no button for $id: $(xwininfo -id "$id" | grep 'Map State') $(xprop -id "$id" WM_STATE _NET_WM_PID \
      WM_CLASS _NET_WM_STATE _NET_WM_DESKTOP _NET_WM_WINDOW_TYPE WM_TRANSIENT_FOR 2>&1 | tr '\n' ' ')" >&2
  done
  fail "buttons do not match the surviving windows"
fi
[ "$(button_titles)" = "$(window_titles)" ] ||
  fail "button titles $(button_titles | tr '\n' ';') differ from window titles $(window_titles | tr '\n' ';')"

growth=$((rss_after - rss_before))
echo "RSS after warm-up ${rss_before} kB, after ${CHURN_SECONDS} s of churn ${rss_after} kB (growth ${growth} kB, ${spawned} xterms spawned)"
[ "$growth" -lt "$MAX_RSS_GROWTH_KB" ] || fail "RSS grew by ${growth} kB"

# Activating an application changes which one is in front, never where its
# buttons stand (windows inside one application follow their stacking).
expected=$(($(client_windows | wc -l) + 3))
for app in alpha beta gamma; do
  "$VANTOREL_X_CLIENT" --window "$app" "$app" >/dev/null 2>&1 &
  started+=("$!")
  disown "$!"
done
for _ in $(seq 1 600); do
  [ "$(client_windows | wc -l)" = "$expected" ] && [ "$(button_windows)" = "$(client_windows)" ] && break
  sleep 0.1
done
[ "$(button_windows)" = "$(client_windows)" ] || fail "no buttons for the other applications"
app_order() { grep -o '"key":"[^"]*"' "$state" | sed 's/"key":"\([^"#]*\).*/\1/' | uniq; }
active_button() { sed 's/},{/}\n{/g' "$state" | grep '"active":true' | sed -n 's/.*"key":"[^"]*#\([0-9]*\)".*/\1/p'; }
# A request to activate can come to nothing without an error (openbox
# focuses with the timestamp of whatever event is next in its queue, and the
# X server ignores a focus change older than the last one), more often the
# busier the machine. So what the window manager refuses is counted, not
# judged; every activation it makes must show in the row, never moving an
# application, and enough of them must happen for that to mean something.
activate() {
  xdotool windowactivate "$1" >/dev/null 2>&1 || true
  for _ in $(seq 1 20); do
    [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ] && break
    sleep 0.1
  done
  [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ] || return 2
  for _ in $(seq 1 100); do
    [ "$(active_button)" = "$1" ] && return 0
    sleep 0.1
  done
  return 1
}
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
order_before="$(app_order)"
ids=($(client_windows))
activations=0 refused=0
for _ in $(seq 1 100); do
  target="${ids[$((RANDOM % ${#ids[@]}))]}"
  while [ "$target" = "$(xdotool getactivewindow 2>/dev/null)" ]; do target="${ids[$((RANDOM % ${#ids[@]}))]}"; done
  status=0
  activate "$target" || status=$?
  case "$status" in
  0) activations=$((activations + 1)) ;;
  2) refused=$((refused + 1)) ;;
  *) fail "window $target is active but its button is not: the taskbar shows $(active_button) active" ;;
  esac
  [ "$(app_order)" = "$order_before" ] ||
    fail "the applications' order changed after ${activations} activations: $(app_order | tr '\n' ' ') (was $(echo "$order_before" | tr '\n' ' '))"
  [ "$refused" -le 80 ] || fail "the window manager refused ${refused} activations"
done
echo "application order after ${activations} activations (${refused} requests refused): $(app_order | tr '\n' ' ')"

# Left alone, the taskbar rests: a row that kept repainting or publishing
# would take the processor whatever the load leaves it.
sleep 2
idle_before="$(ticks "$pid")" state_before="$(stat -c %Y.%i "$state")"
sleep 4
idle_ticks=$(($(ticks "$pid") - idle_before))
echo "processor time in 4 s of rest: $((idle_ticks * 1000 / $(getconf CLK_TCK))) ms"
[ "$(stat -c %Y.%i "$state")" = "$state_before" ] || fail "the row was published again while nothing changed"
[ "$idle_ticks" -lt $((4 * $(getconf CLK_TCK) / 5)) ] || fail "busy at rest: ${idle_ticks} ticks in 4 s"

import -window root "$out/screen.png"
stop_taskbar
[ "$status" = 0 ] || fail "exit status after SIGTERM: $status"
echo "PASS"
