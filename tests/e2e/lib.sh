# What the desktop scripts share. Sourced first with the script's arguments
# (the taskbar executable, the output folder): it starts nothing, but on exit
# ends the taskbar ($pid) and the processes in $started, runs cleanup_more
# when the script defines it, stops the desktop services and the private X
# server, and removes the scratch folder $work.
set -euo pipefail
exe="$1"
out="$2"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
. "$root/scripts/lib/private-x.sh"
mkdir -p "$out"
work="$(mktemp -d)"
pid=""
started=()

cleanup() {
  # A child killed between fork and exec runs this trap too; only the test itself cleans up.
  [ "$BASHPID" = "$$" ] || return 0
  [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null || true
  local p
  for p in "${started[@]}"; do kill -9 "$p" 2>/dev/null || true; done
  if declare -F cleanup_more >/dev/null; then cleanup_more; fi
  # A server a test froze must run to be stopped.
  [ -n "${XVFB_PID:-}" ] && kill -CONT "$XVFB_PID" 2>/dev/null || true
  stop_desktop_services
  stop_private_x
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  [ -f "$out/vantorel.log" ] && tail -n 50 "$out/vantorel.log" >&2
  exit 1
}

# Starts the taskbar on the defaults in DIR, writing its row to $state when
# that is set, and waits for its window, whose id goes to $taskbar_window.
start_taskbar() {
  VANTOREL_STATE_FILE="${state:-}" "$exe" --defaults-dir "$1" >"$out/vantorel.log" 2>&1 &
  pid=$!
  taskbar_window="$(wait_for_window "Vantorel Taskbar" 30)" || fail "no taskbar window"
}

# SIGTERM to the taskbar; its exit status goes to $status.
stop_taskbar() {
  kill -TERM "$pid"
  status=0
  wait "$pid" || status=$?
  pid=""
}
