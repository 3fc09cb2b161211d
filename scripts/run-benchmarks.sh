#!/usr/bin/env bash
# run-benchmarks.sh — runs every benchmark program of both builds and prints their figures.
set -e
shopt -s nullglob
for b in build/host/bench/*; do
  [ -x "$b" ] && { echo "== $(basename "$b") (host)"; "$b"; }
done
# Windows benchmarks that put windows on screen need a display and a wineserver that draws on it:
# each gets a session of its own, as UI tests do (see scripts/ui-session.sh).
benches=(build/windows/bench/*.exe)
if [ ${#benches[@]} -gt 0 ]; then
  prefix=$PWD/build/windows/wineprefix
  scripts/wine-env.sh start "$prefix"
  for b in "${benches[@]}"; do
    echo "== $(basename "$b") (windows, under Wine)"
    scripts/with-xvfb.sh scripts/ui-session.sh "$prefix" build/windows/bench/sessions scripts/wine-run.sh "$b"
  done
fi
