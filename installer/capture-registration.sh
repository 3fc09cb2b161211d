#!/usr/bin/env bash
# capture-registration.sh PREFIX TOOL SERVER OUT — runs registration_entries under Wine in a
# prefix of the build's own (made on first use), so the build never touches the test prefix.
set -euo pipefail
export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
tool=$2 server=$3 out=$4
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i </dev/null >/dev/null 2>&1
fi
# Wine's helpers must not hold the build's pipes: output goes through a file.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
wine "$tool" "Z:$server" "Z:$out.tmp" </dev/null >"$log" 2>&1 || status=$?
wineserver -k </dev/null >/dev/null 2>&1 || true
if [ $status -ne 0 ]; then
  cat "$log" >&2
  rm -f "$out.tmp"
  exit $status
fi
mv "$out.tmp" "$out"
