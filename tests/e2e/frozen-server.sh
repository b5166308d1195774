#!/usr/bin/env bash
# SIGTERM while the X server is frozen (Xvfb stopped with SIGSTOP): the clean
# shutdown waits on the server, so the taskbar must end by itself after its
# grace instead of hanging until the server resumes.
set -euo pipefail
exe="$1"
out="$2"
root="$(cd "$(dirname "$0")/../.." && pwd)"
. "$root/scripts/lib/private-x.sh"
mkdir -p "$out"

pid=""
frozen=""
cleanup() {
  [ -n "$frozen" ] && kill -CONT "$XVFB_PID" 2>/dev/null || true
  [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null || true
  stop_private_x
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# Exited, not merely waiting to be collected by this shell: a zombie, or one
# being collected (X), counts as ended, and so does one already gone.
running() {
  local state
  state="$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null)" || return 1
  case "$state" in "" | Z | X) return 1 ;; esac
}

start_private_x 1024x768
defaults="$(mktemp -d)"
export HOME="$defaults" XDG_CONFIG_HOME="$defaults/config"
"$exe" --defaults-dir "$defaults" >"$out/vantorel.log" 2>&1 &
pid=$!
wait_for_window "Vantorel Taskbar" 30 >/dev/null || { cat "$out/vantorel.log"; fail "no taskbar window"; }

kill -STOP "$XVFB_PID"
frozen=1
start=$(date +%s%N)
kill -TERM "$pid"
# Far beyond the grace: still running then means waiting for the server.
# Once seen ended it stays so: asking again could catch the shell collecting it.
ended=""
for _ in $(seq 1 600); do
  running "$pid" || { ended=1; break; }
  sleep 0.05
done
[ -n "$ended" ] || fail "still running 30 s after SIGTERM with the X server frozen"
elapsed=$((($(date +%s%N) - start) / 1000000))
status=0
wait "$pid" || status=$?
pid=""
kill -CONT "$XVFB_PID"
frozen=""
echo "exit ${elapsed} ms after SIGTERM with the X server frozen, status $status" | tee "$out/frozen-exit.txt"
# Ended as by the signal, since the clean shutdown did not finish.
[ "$status" = 143 ] || fail "exit status $status"
echo "PASS"
