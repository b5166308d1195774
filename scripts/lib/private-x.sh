# Starts and stops a private X desktop: Xvfb on a display number the server
# picks itself (-displayfd), with openbox as the window manager.
# Source this file, then: start_private_x 1440x900; ...; stop_private_x
# It also makes a fresh user for the taskbar: fresh_taskbar_user DIR SETTINGS.

start_private_x() {
  local size="${1:-1440x900}"
  # Programs started here draw on this X server, not offscreen.
  unset QT_QPA_PLATFORM
  PRIVATE_X_DIR="$(mktemp -d)"
  if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    mkdir -m 700 "$PRIVATE_X_DIR/runtime"
    export XDG_RUNTIME_DIR="$PRIVATE_X_DIR/runtime"
  fi
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset \
    3>"$PRIVATE_X_DIR/display" >"$PRIVATE_X_DIR/xvfb.log" 2>&1 &
  XVFB_PID=$!
  local i
  for i in $(seq 1 100); do
    [ -s "$PRIVATE_X_DIR/display" ] && break
    kill -0 "$XVFB_PID" 2>/dev/null || { cat "$PRIVATE_X_DIR/xvfb.log" >&2; return 1; }
    sleep 0.1
  done
  [ -s "$PRIVATE_X_DIR/display" ] || { echo "Xvfb did not start" >&2; return 1; }
  export DISPLAY=":$(head -n1 "$PRIVATE_X_DIR/display")"
  openbox --sm-disable >"$PRIVATE_X_DIR/openbox.log" 2>&1 &
  OPENBOX_PID=$!
  # openbox owns the WM selection once it is ready.
  for i in $(seq 1 50); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
    sleep 0.1
  done
}

stop_private_x() {
  # Bash runs EXIT traps in children killed between fork and exec too; only
  # the shell that started the server may stop it.
  [ "${BASHPID:-$$}" = "$$" ] || return 0
  [ -n "${OPENBOX_PID:-}" ] && kill "$OPENBOX_PID" 2>/dev/null || true
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
  [ -n "${XVFB_PID:-}" ] && wait "$XVFB_PID" 2>/dev/null || true
  [ -n "${PRIVATE_X_DIR:-}" ] && rm -rf "$PRIVATE_X_DIR"
  OPENBOX_PID="" XVFB_PID="" PRIVATE_X_DIR=""
}

# Waits until a window with this exact title is mapped; prints its id.
wait_for_window() {
  local title="$1" timeout="${2:-20}" id=""
  local end=$((SECONDS + timeout))
  while [ $SECONDS -lt $end ]; do
    id="$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n1 || true)"
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

# A fresh user under DIR: home and XDG folders of its own, and the taskbar's
# defaults in DIR/defaults (for --defaults-dir) with these settings (JSON) and
# nothing pinned.
fresh_taskbar_user() {
  local dir="$1" settings="$2"
  export HOME="$dir/home" XDG_CONFIG_HOME="$dir/home/.config" XDG_DATA_HOME="$dir/home/.local/share"
  export XDG_CACHE_HOME="$dir/home/.cache" XDG_STATE_HOME="$dir/home/.local/state"
  mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_STATE_HOME" "$dir/defaults"
  printf '{"com.vantorel.settings":{"base64":"%s"},"com.vantorel.pinnedApps":[]}\n' \
    "$(printf %s "$settings" | base64 -w0)" >"$dir/defaults/com.vantorel.app.json"
}

# The centre of a tray button ("record" or "folder") on the screen, from the
# taskbar's state file ($VANTOREL_STATE_FILE), once the button is shown; prints "x y".
tray_button_center() {
  local state="$1" name="$2" timeout="${3:-20}" frame="" x y w h
  local end=$((SECONDS + timeout))
  while [ $SECONDS -lt $end ]; do
    frame="$(grep -o "\"$name\":\[[0-9,-]*\]" "$state" 2>/dev/null | sed 's/.*\[\(.*\)\]/\1/' || true)"
    if [ -n "$frame" ]; then
      IFS=, read -r x y w h <<<"$frame"
      echo "$((x + w / 2)) $((y + h / 2))"
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# A session bus of its own with the fake file manager and notification server
# (the helper desktop_services in HELPERS), which print each call they get
# into LOG. Exports DBUS_SESSION_BUS_ADDRESS; stop_desktop_services ends both.
start_desktop_services() {
  local helpers="$1" log="$2" i
  DESKTOP_BUS_DIR="$(mktemp -d)"
  dbus-daemon --session --nofork --print-address=1 >"$DESKTOP_BUS_DIR/address" 2>"$DESKTOP_BUS_DIR/log" &
  DESKTOP_BUS_PID=$!
  for i in $(seq 1 100); do [ -s "$DESKTOP_BUS_DIR/address" ] && break; sleep 0.1; done
  export DBUS_SESSION_BUS_ADDRESS="$(head -n1 "$DESKTOP_BUS_DIR/address")"
  "$helpers/desktop_services" >"$log" 2>&1 &
  DESKTOP_SERVICES_PID=$!
  for i in $(seq 1 100); do grep -q '^ready$' "$log" 2>/dev/null && return 0; sleep 0.1; done
  return 1
}

stop_desktop_services() {
  [ "${BASHPID:-$$}" = "$$" ] || return 0
  [ -n "${DESKTOP_SERVICES_PID:-}" ] && kill "$DESKTOP_SERVICES_PID" 2>/dev/null || true
  [ -n "${DESKTOP_BUS_PID:-}" ] && kill "$DESKTOP_BUS_PID" 2>/dev/null || true
  [ -n "${DESKTOP_BUS_DIR:-}" ] && rm -rf "$DESKTOP_BUS_DIR"
  DESKTOP_SERVICES_PID="" DESKTOP_BUS_PID="" DESKTOP_BUS_DIR=""
}
