#!/usr/bin/env bash
# ui-session.sh TEMPLATE WORK COMMAND [ARG...] — runs COMMAND in a Wine session of its own on the
# current DISPLAY (start it under with-xvfb.sh), with a prefix made in a new directory under WORK
# and removed afterwards. The exit status is COMMAND's.
#
# One wineserver holds one window tree, one pointer and one foreground for all its processes,
# whatever display each process draws on: two UI tests on one server find each other's windows
# and move each other's pointer (checked: a window shown on :1 was found from :0). So each test
# gets a prefix with its own copy of TEMPLATE's registry, hence its own server, started here so
# that the server and every program of the test see this DISPLAY (checked: two tests at once each
# find only their own window). drive_c is TEMPLATE's, shared: copying it would cost ~700 MB per
# test, and the settings UI tests need live in the registry copied here.
set -uo pipefail
if [ $# -lt 3 ]; then
  echo "usage: ui-session.sh TEMPLATE WORK COMMAND [ARG...]" >&2
  exit 2
fi
template=$1 work=$2
shift 2
if [ -z "${DISPLAY:-}" ]; then
  echo "ui-session.sh: no DISPLAY; run it under with-xvfb.sh" >&2
  exit 2
fi

mkdir -p "$work"
work=$(mktemp -d "$(cd "$work" && pwd)/prefix.XXXXXX")  # Wine wants an absolute prefix
mkdir "$work/dosdevices"
cp "$template"/*.reg "$template"/.update-timestamp "$work"/
ln -s "$template/drive_c" "$work/drive_c"
ln -s ../drive_c "$work/dosdevices/c:"
ln -s / "$work/dosdevices/z:"

export WINEPREFIX=$work WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
cleanup() {
  wineserver -k </dev/null >/dev/null 2>&1
  wineserver -w </dev/null >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
# Started here with no pipes of ours, or ctest would wait on Wine's helpers (see wine-env.sh). It
# ends itself 10 s after its last program, should this script be killed before its clean-up.
wineserver -p10 </dev/null >/dev/null 2>&1
wine wineboot </dev/null >/dev/null 2>&1
"$@"
