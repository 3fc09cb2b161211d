#!/usr/bin/env bash
# with-xvfb.sh COMMAND [ARG...] — runs COMMAND with DISPLAY set to a private Xvfb server on a
# free display number and stops the server afterwards. The exit status is COMMAND's.
set -uo pipefail
if [ $# -eq 0 ]; then
  echo "usage: with-xvfb.sh COMMAND [ARG...]" >&2
  exit 2
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/with-xvfb.XXXXXX")
server=
cleanup() {
  if [ -n "$server" ]; then
    kill "$server" 2>/dev/null
    wait "$server" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The server picks the first free display itself and writes its number to descriptor 3, so two
# runs starting together never collide.
Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 3>"$work/display" \
  </dev/null >/dev/null 2>"$work/log" &
server=$!

for _ in $(seq 200); do
  [ -s "$work/display" ] && break
  if ! kill -0 "$server" 2>/dev/null; then
    echo "with-xvfb.sh: Xvfb did not start:" >&2
    cat "$work/log" >&2
    exit 1
  fi
  sleep 0.05
done
if [ ! -s "$work/display" ]; then
  echo "with-xvfb.sh: Xvfb gave no display number within 10 s" >&2
  exit 1
fi

DISPLAY=:$(head -n 1 "$work/display")
export DISPLAY
"$@"
