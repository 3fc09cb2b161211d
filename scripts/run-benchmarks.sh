#!/usr/bin/env bash
# run-benchmarks.sh — runs every benchmark program of both builds and prints their figures.
set -e
shopt -s nullglob
for b in build/host/bench/*; do
  [ -x "$b" ] && { echo "== $(basename "$b") (host)"; "$b"; }
done
# Windows benchmarks that put windows on screen need a display: each gets its own.
for b in build/windows/bench/*.exe; do
  echo "== $(basename "$b") (windows, under Wine)"; scripts/with-xvfb.sh scripts/wine-run.sh "$b"
done
