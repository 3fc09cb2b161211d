#!/usr/bin/env bash
# run-demo.sh BUILD_DIR — the main job on the simulated mouse: a factory-fresh simulated Tessel
# under BUILD_DIR/demo, the middleware registered in the build's Wine prefix, and tesselctl
# showing the mouse through the middleware as any client program sees it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build/windows}" 2>/dev/null && pwd) || { echo "run-demo.sh: no build folder ${1:-build/windows}" >&2; exit 2; }

tesselctl="$build/tools/tesselctl/tesselctl.exe"
tesselsim="$build/sim/tesselsim.exe"
server="$build/middleware/api/KavixMiddlewareServer.dll"
simulator="$build/middleware/api/tessel_sim_hid.dll"  # loaded by the server, beside it, for TESSEL_SIM
for program in "$tesselctl" "$tesselsim" "$server" "$simulator"; do
  [ -f "$program" ] || { echo "run-demo.sh: $program is missing; build first (make windows)" >&2; exit 1; }
done

export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
if "$root/scripts/wine-env.sh" start "$WINEPREFIX"; then
  trap '"$root/scripts/wine-env.sh" stop "$WINEPREFIX"' EXIT
elif [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "run-demo.sh: the Wine prefix $WINEPREFIX could not be made" >&2
  exit 1
fi  # else its wineserver runs already (a test run), and the demo shares it
run() { "$root/scripts/wine-run.sh" "$@"; }

# The middleware talks to the simulated mouse whose state file TESSEL_SIM names; without the
# file there is no mouse, so tesselsim makes one first.
demo="$build/demo"
mkdir -p "$demo"
export TESSEL_SIM="$demo/mouse.txt"
run "$tesselsim" create --force
run regsvr32 /s "Z:${server//\//\\}"
echo "registered $server"

show() {
  echo
  echo "\$ tesselctl $*"
  run "$tesselctl" "$@"
}

show info
show stages get
show profiles list
show profiles buttons 1
show macros create "name=Burst delay=20 down:0x1E 30ms up:0x1E click:left"
show macros list
show sensitivity set 1200 1100
show sensitivity get
show --json stages get
echo
echo "The simulated mouse keeps its state in $TESSEL_SIM (tesselsim show prints it)."
