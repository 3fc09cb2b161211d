#!/usr/bin/env bash
# Many short-lived tesselctl processes at once, each looping over commands on one simulated
# mouse, as several scripts or users would: every run must end by itself, in time, with exit 0.
# Guards against a process that never exits and against a failed creation when several
# processes start the middleware at the same moment.
# usage: tesselctl_stress_test.sh EMULATOR TESSELCTL TESSELSIM SERVER WORK
set -euo pipefail
emulator=$1 tool=$2 sim=$3 server=$4 work=$5
# TESSEL_STRESS_ROUNDS makes a longer run by hand (the test itself keeps it short).
workers=6 rounds=${TESSEL_STRESS_ROUNDS:-6}

rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
export TESSEL_SIM="$work/mouse.txt"
"$emulator" "$sim" create >/dev/null
"$emulator" regsvr32 /s "Z:${server//\//\\}"

# One worker: its own command, `rounds` times; a run that takes over 60 s counts as hung.
worker() {
  local id=$1; shift
  for round in $(seq "$rounds"); do
    if ! timeout -k 5 60 "$emulator" "$tool" "$@" >"$work/$id.$round.out" 2>&1; then
      echo "worker $id round $round: tesselctl $* failed or hung (exit $?)" >>"$work/failures"
      cat "$work/$id.$round.out" >>"$work/failures"
    fi
  done
}

worker 1 polling set 500 &
worker 2 polling set 1000 &
worker 3 stages get &
worker 4 memory &
worker 5 lights get &
worker 6 info &
wait

if [ -s "$work/failures" ]; then
  cat "$work/failures" >&2
  exit 1
fi
echo "$((workers * rounds)) runs, all ended in time with exit 0"
