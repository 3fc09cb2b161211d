#!/usr/bin/env bash
# tesselctl watch end to end: a press of the simulated mouse's own button sends its key through
# the system; the middleware's keyboard hook in tesselctl's process turns it into an event.
# Needs a display (run it under scripts/with-xvfb.sh).
# usage: tesselctl_watch_test.sh EMULATOR TESSELCTL TESSELSIM SERVER WORK
set -euo pipefail
emulator=$1 tool=$2 sim=$3 server=$4 work=$5

rm -rf "$work"
mkdir -p "$work"
watcher=
cleanup() {
  if [ -n "$watcher" ]; then kill "$watcher" 2>/dev/null || true; wait "$watcher" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; for f in "$work"/*.out "$work"/*.err; do [ -f "$f" ] && { echo "--- $f"; cat "$f"; }; done >&2; exit 1; }

export TESSEL_SIM="$work/mouse.txt"
"$emulator" "$sim" create >/dev/null
"$emulator" regsvr32 /s "Z:${server//\//\\}"

# Waits up to 90 s for tesselctl's note that its subscriptions stand.
await_watching() {
  for _ in $(seq 900); do
    grep -q "watching the mouse's events" "$work/$1.err" 2>/dev/null && return 0
    kill -0 "$watcher" 2>/dev/null || fail "watch ended before it was watching"
    sleep 0.1
  done
  fail "watch did not start within 90 s"
}

# A step of the sensitivity: the middleware adds 100 DPI to the stage it read at the start
# (1500 DPI, the factory profile's default stage).
"$emulator" "$tool" watch --count 1 --timeout 60000 >"$work/step.out" 2>"$work/step.err" &
watcher=$!
await_watching step
"$emulator" "$sim" press stage-up >"$work/press.out" 2>&1 || fail "tesselsim press stage-up"
grep -q "keys F24 down, F24 up: sent" "$work/press.out" || fail "the press sent no keys"
wait "$watcher" || fail "watch ended with $?"
watcher=
tr -d '\r' <"$work/step.out" | grep -qx "OnHaldenEvent sensitivity=1600x1600" || fail "no sensitivity event"

# A profile chosen with the mouse's button, as JSON.
"$emulator" "$tool" profiles create Second >/dev/null
"$emulator" "$tool" --json watch --count 1 --timeout 60000 >"$work/profile.out" 2>"$work/profile.err" &
watcher=$!
await_watching profile
"$emulator" "$sim" press profile 2 >"$work/press.out" 2>&1 || fail "tesselsim press profile 2"
wait "$watcher" || fail "watch ended with $?"
watcher=
tr -d '\r' <"$work/profile.out" |
  grep -qx '{"event":"OnHaldenEvent","validFields":2,"dpiX":0,"dpiY":0,"activeProfile":2}' || fail "no profile event"

# Ctrl+C (Wine turns SIGINT into it) ends the watch as a success: the subscriptions end and the
# exit code is the tool's own, not the one of a process the system ended.
"$emulator" "$tool" watch >"$work/interrupt.out" 2>"$work/interrupt.err" &
watcher=$!
await_watching interrupt
kill -INT "$watcher"
for _ in $(seq 100); do kill -0 "$watcher" 2>/dev/null || break; sleep 0.1; done
kill -0 "$watcher" 2>/dev/null && fail "Ctrl+C did not end the watch within 10 s"
set +e
wait "$watcher"
code=$?
set -e
watcher=
[ "$code" -eq 0 ] || fail "the interrupted watch ended with $code"
grep -q "interrupted after 0 events" "$work/interrupt.err" || fail "the watch did not see Ctrl+C"

# Without a press the count is not reached: a failure once the timeout has passed.
set +e
"$emulator" "$tool" watch --count 1 --timeout 1500 >"$work/quiet.out" 2>"$work/quiet.err"
code=$?
set -e
[ "$code" -eq 1 ] || fail "a watch without events ended with $code"
grep -q "0 of 1 events arrived within 1500 ms" "$work/quiet.err" || fail "no timeout message"
echo "watch: events arrived as expected"
