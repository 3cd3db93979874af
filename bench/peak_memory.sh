#!/usr/bin/env bash
# Runs a command and prints its peak resident memory in KB, read from /proc/PID/status (VmHWM)
# while it runs: getrusage figures are unreliable on some machines.
#   bench/peak_memory.sh COMMAND [ARGS...]     (the command's own output goes to /dev/null)
set -uo pipefail
"$@" >/dev/null 2>&1 &
pid=$!
peak=0
while kill -0 "$pid" 2>/dev/null; do
  hwm=$(awk '/^VmHWM:/{print $2}' "/proc/$pid/status" 2>/dev/null || true)
  [ -n "$hwm" ] && [ "$hwm" -gt "$peak" ] && peak=$hwm
  sleep 0.005
done
wait "$pid"
status=$?
echo "$peak"
exit $status
