#!/usr/bin/env bash
# Side by side on the same desktop: vantorel, tint2 and lxqt-panel, each in a
# private Xvfb 1440x900 with openbox, 20 xterms, xclock and xeyes, and a fresh
# $HOME, the pointer in the middle of the screen. For each: time from start to
# a mapped dock window, RSS and PSS after 10 s, CPU time over 60 s idle, and
# CPU time per spawned window over 30 s of churn (an xterm every 0.5 s, the
# previous one killed).
#
# Usage: bench/desktop-idle.sh [vantorel executable] [program ...]
#   default executable: build/release/src/vantorel, built when missing
#   default programs: vantorel tint2 lxqt-panel
#   also: vantorel-autohide and tint2-autohide, the same programs hiding
#   their bar (the pointer stays away from it); a program may come twice,
#   e.g. to interleave runs on a machine that others load too.
# Environment: IDLE_SECONDS (60), CHURN_SECONDS (30), SETTLE_SECONDS (10).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
. "$root/scripts/lib/private-x.sh"

IDLE_SECONDS="${IDLE_SECONDS:-60}"
CHURN_SECONDS="${CHURN_SECONDS:-30}"
SETTLE_SECONDS="${SETTLE_SECONDS:-10}"
TICKS="$(getconf CLK_TCK)"

vantorel="${1:-$root/build/release/src/vantorel}"
shift || true
programs=("$@")
[ "${#programs[@]}" -gt 0 ] || programs=(vantorel tint2 lxqt-panel)

ensure_tools() {
  local missing=() pkg
  for pkg in xterm x11-apps xdotool x11-utils xvfb openbox dbus procps; do
    dpkg -s "$pkg" >/dev/null 2>&1 || missing+=("$pkg")
  done
  local program
  for program in "${programs[@]}"; do
    case "$program" in
    tint2 | tint2-autohide) command -v tint2 >/dev/null || missing+=(tint2) ;;
    lxqt-panel) command -v "$program" >/dev/null || missing+=("$program") ;;
    esac
  done
  if [ "${#missing[@]}" -gt 0 ]; then
    echo "installing ${missing[*]}" >&2
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
}

ensure_vantorel() {
  [ -x "$vantorel" ] && return 0
  echo "building the release executable" >&2
  cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DVANTOREL_BENCHMARKS=OFF >/dev/null
  cmake --build "$root/build/release" >/dev/null
  vantorel="$root/build/release/src/vantorel"
}

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# The process and everything it started.
tree() {
  local p=$1 c
  echo "$p"
  for c in $(pgrep -P "$p" 2>/dev/null); do tree "$c"; done
}

cpu_ticks() {
  local sum=0 p t
  for p in $(tree "$1"); do
    # utime and stime: fields 14 and 15, counted after the command name's closing parenthesis.
    t="$(sed 's/.*) //' "/proc/$p/stat" 2>/dev/null | awk '{print $12 + $13}')" || continue
    sum=$((sum + ${t:-0}))
  done
  echo "$sum"
}

# CPU time in nanoseconds of every thread still alive (finer than the ticks above).
cpu_ns() {
  local sum=0 p t v
  for p in $(tree "$1"); do
    for t in /proc/"$p"/task/*/schedstat; do
      v="$(cut -d' ' -f1 "$t" 2>/dev/null)" || continue
      sum=$((sum + ${v:-0}))
    done
  done
  echo "$sum"
}

memory_kb() { # field: Rss or Pss
  local sum=0 p v
  for p in $(tree "$1"); do
    v="$(awk -v f="$2:" '$1 == f {print $2}' "/proc/$p/smaps_rollup" 2>/dev/null)" || continue
    sum=$((sum + ${v:-0}))
  done
  echo "$sum"
}

client_ids() { xprop -root _NET_CLIENT_LIST 2>/dev/null | sed -n 's/.*# //p' | tr -d ','; }

# Prints the id of a mapped dock window that was not there before.
mapped_dock() {
  local id
  for id in $(client_ids); do
    case " $known " in *" $id "*) continue ;; esac
    if xprop -id "$id" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q _NET_WM_WINDOW_TYPE_DOCK; then
      xwininfo -id "$id" 2>/dev/null | grep -q IsViewable && { echo "$id"; return 0; }
    else
      known="$known $id"
    fi
  done
  return 1
}

command_for() {
  case "$1" in
  vantorel | vantorel-autohide) echo "$vantorel" ;;
  tint2-autohide) command -v tint2 ;;
  *) command -v "$1" ;;
  esac
}

# Writes what a program needs into the session folder and prints its arguments.
arguments_for() {
  local name=$1 session=$2
  case "$name" in
  vantorel | vantorel-autohide)
    local hide=false
    [ "$name" = vantorel-autohide ] && hide=true
    fresh_taskbar_user "$session" "{\"autoHideTaskbar\":$hide,\"onboardingCompleted\":true}"
    echo "--defaults-dir $session/defaults"
    ;;
  tint2-autohide)
    # The packaged configuration, hiding after its default 0.5 s.
    sed 's/^autohide = 0$/autohide = 1/' /etc/xdg/tint2/tint2rc >"$session/tint2rc"
    grep -q '^autohide = 1$' "$session/tint2rc" || return 1
    echo "-c $session/tint2rc"
    ;;
  esac
}

# What each program's own session would set. LXQt's session adds /usr/share to
# the configuration folders; without it the panel starts empty, with no taskbar.
environment_for() {
  case "$1" in
  lxqt-panel) echo "XDG_CONFIG_DIRS=/etc/xdg:/usr/share" ;;
  esac
}

measure() {
  local name=$1 exe session pid="" bus_pid="" extra=() i args
  exe="$(command_for "$name")" || { echo "$name: not found" >&2; return 1; }
  session="$(mktemp -d)"
  args="$(arguments_for "$name" "$session")" || { echo "$name: cannot be set up" >&2; return 1; }
  mkdir -m 700 "$session/runtime"
  export XDG_RUNTIME_DIR="$session/runtime"
  start_private_x 1440x900
  export HOME="$session/home" XDG_CONFIG_HOME="$session/home/.config" XDG_DATA_HOME="$session/home/.local/share"
  export XDG_CACHE_HOME="$session/home/.cache" XDG_STATE_HOME="$session/home/.local/state"
  mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_STATE_HOME"
  # A session bus, as every desktop has one.
  read -r DBUS_SESSION_BUS_ADDRESS bus_pid < <(dbus-daemon --session --fork --print-address=1 --print-pid=1 | paste -s -d' ')
  export DBUS_SESSION_BUS_ADDRESS

  for i in $(seq 1 20); do
    xterm -geometry 80x24+$((i * 30))+$((i * 20)) >/dev/null 2>&1 &
    extra+=("$!")
  done
  xclock >/dev/null 2>&1 &
  extra+=("$!")
  xeyes >/dev/null 2>&1 &
  extra+=("$!")
  for i in $(seq 1 200); do
    [ "$(client_ids | wc -w)" -ge 22 ] && break
    sleep 0.05
  done
  # Away from every bar, which is what lets an auto-hiding one hide.
  xdotool mousemove 720 450
  sleep 1
  known=" $(client_ids | tr '\n' ' ') "

  local start dock="" startup
  start="$(now_ms)"
  # shellcheck disable=SC2086 # the arguments hold no spaces
  env $(environment_for "$name") "$exe" $args >"$session/$name.log" 2>&1 &
  pid=$!
  for i in $(seq 1 3000); do
    dock="$(mapped_dock)" && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.01
  done
  startup=$(($(now_ms) - start))
  if [ -z "$dock" ]; then
    echo "$name: no dock window appeared" >&2
    tail -n 20 "$session/$name.log" >&2
    printf '%s\tfailed\n' "$name" >>"$results"
  else
    sleep "$SETTLE_SECONDS"
    local rss pss cpu0 cpu1 cpu2 ns0 ns1 ns2 idle_pct per_window spawned=0 previous="" term
    rss="$(memory_kb "$pid" Rss)"
    pss="$(memory_kb "$pid" Pss)"
    cpu0="$(cpu_ticks "$pid")" ns0="$(cpu_ns "$pid")"
    sleep "$IDLE_SECONDS"
    cpu1="$(cpu_ticks "$pid")" ns1="$(cpu_ns "$pid")"

    local end=$((SECONDS + CHURN_SECONDS))
    while [ $SECONDS -lt $end ]; do
      xterm -geometry 80x24+$((RANDOM % 800))+$((RANDOM % 400)) >/dev/null 2>&1 &
      term=$!
      spawned=$((spawned + 1))
      [ -n "$previous" ] && kill "$previous" 2>/dev/null
      previous=$term
      sleep 0.5
    done
    kill "$previous" 2>/dev/null || true
    sleep 2 # the last removals are handled too
    cpu2="$(cpu_ticks "$pid")" ns2="$(cpu_ns "$pid")"
    kill -0 "$pid" 2>/dev/null || echo "$name: died during the run" >&2

    idle_pct="$(awk -v t=$((cpu1 - cpu0)) -v hz="$TICKS" -v s="$IDLE_SECONDS" 'BEGIN {printf "%.3f", t / hz / s * 100}')"
    per_window="$(awk -v t=$((cpu2 - cpu1)) -v hz="$TICKS" -v n="$spawned" 'BEGIN {printf "%.1f", t / hz * 1000 / n}')"
    printf '%s\t%d\t%.1f\t%.1f\t%s\t%d\t%.1f\t%s\t%.2f\t%d\n' "$name" "$startup" \
      "$(awk -v k="$rss" 'BEGIN {print k / 1024}')" "$(awk -v k="$pss" 'BEGIN {print k / 1024}')" \
      "$idle_pct" $(((cpu1 - cpu0) * 1000 / TICKS)) "$(awk -v n=$((ns1 - ns0)) 'BEGIN {print n / 1e6}')" \
      "$per_window" "$(awk -v n=$((ns2 - ns1)) -v w="$spawned" 'BEGIN {print n / 1e6 / w}')" "$spawned" >>"$results"
  fi

  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  for i in "${extra[@]}"; do kill "$i" 2>/dev/null || true; done
  kill "$bus_pid" 2>/dev/null || true
  stop_private_x
  rm -rf "$session"
}

ensure_tools
for program in "${programs[@]}"; do
  case "$program" in vantorel | vantorel-autohide) ensure_vantorel ;; esac
done

results="$(mktemp)"
# A child killed between fork and exec runs this trap too; only the script itself cleans up.
trap '[ "$BASHPID" = "$$" ] && { rm -f "$results"; stop_private_x; }' EXIT
for program in "${programs[@]}"; do
  echo "measuring $program ..." >&2
  measure "$program" || printf '%s\tfailed\n' "$program" >>"$results"
done

echo
echo "utime+stime from /proc/PID/stat (10 ms ticks); in brackets the same from the threads' schedstat (ns)."
printf '%-12s %8s %7s %7s %22s %24s\n' program "startup" "RSS" "PSS" "idle CPU over ${IDLE_SECONDS} s" \
  "CPU per spawned window"
printf '%-12s %8s %7s %7s %22s %24s\n' "" "ms" "MB" "MB" "% (ms) [ms]" "ms [ms] (windows)"
while IFS=$'\t' read -r name startup rss pss idle idle_ms idle_ns per_window per_window_ns spawned; do
  if [ "$startup" = failed ]; then
    printf '%-12s %8s\n' "$name" failed
    continue
  fi
  printf '%-12s %8s %7s %7s %22s %24s\n' "$name" "$startup" "$rss" "$pss" "$idle ($idle_ms) [$idle_ns]" \
    "$per_window [$per_window_ns] ($spawned)"
done <"$results"
