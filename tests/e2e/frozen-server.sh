#!/usr/bin/env bash
# SIGTERM while the X server is frozen (Xvfb stopped with SIGSTOP): the clean
# shutdown waits on the server, so the taskbar must end by itself after its
# grace instead of hanging until the server resumes.
. "$(dirname "$0")/lib.sh" "$@"

# Exited, not merely waiting to be collected by this shell: a zombie, or one
# being collected (X), counts as ended, and so does one already gone.
running() {
  local state
  state="$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null)" || return 1
  case "$state" in "" | Z | X) return 1 ;; esac
}

start_private_x 1024x768
export HOME="$work" XDG_CONFIG_HOME="$work/config"
start_taskbar "$work"

kill -STOP "$XVFB_PID"
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
echo "exit ${elapsed} ms after SIGTERM with the X server frozen, status $status" | tee "$out/frozen-exit.txt"
# Ended as by the signal, since the clean shutdown did not finish.
[ "$status" = 143 ] || fail "exit status $status"
echo "PASS"
