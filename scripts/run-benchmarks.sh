#!/usr/bin/env bash
# run-benchmarks.sh — runs every benchmark program of both builds and prints their figures.
set -e
shopt -s nullglob
for b in build/host/bench/*; do
  [ -x "$b" ] && { echo "== $(basename "$b") (host)"; "$b"; }
done
for b in build/windows/bench/*.exe; do
  # Under a display of their own: some of them paint windows.
  echo "== $(basename "$b") (windows, under Wine)"; scripts/with-xvfb.sh scripts/wine-run.sh "$b"
done
