#!/usr/bin/env bash
# run-demo.sh BUILD_DIR [--walk] — the suite as a user gets it, on the simulated mouse: the MSI
# installed silently into a fresh Wine prefix under BUILD_DIR/demo, a simulated Tessel given a
# few profiles and a macro by tesselctl through the installed middleware, and the installed
# configurator started from its Start-menu shortcut (it starts the tray itself).
#
# On the user's display (DISPLAY set and answering) the programs stay for the user. Without one
# the script runs itself again with --walk under a private Xvfb: it walks through the pages, the
# tray's menu and a notice, saves screenshots in BUILD_DIR/demo/screenshots/ and ends everything
# it started. --walk also does that on the current display.
set -euo pipefail
trap 'echo "run-demo.sh: failed at line $LINENO: $BASH_COMMAND" >&2' ERR
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build/windows}" 2>/dev/null && pwd) || { echo "run-demo.sh: no build folder ${1:-build/windows}" >&2; exit 2; }
walk=false
[ "${2:-}" = --walk ] && walk=true

if ! $walk && ! { [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; }; then
  echo "No display answers${DISPLAY:+ at $DISPLAY}: the demo walks through the suite under Xvfb."
  exec "$root/scripts/with-xvfb.sh" "$0" "$build" --walk
fi

msi=$(ls "$build"/installer/KavixTessel-*.msi 2>/dev/null | head -1)
tesselctl=$build/tools/tesselctl/tesselctl.exe
tesselsim=$build/sim/tesselsim.exe
simulator=$build/middleware/api/tessel_sim_hid.dll  # the server loads it from its own folder for TESSEL_SIM
probe=$build/installer/install_probe.exe             # reads the Start-menu shortcut through the shell
uidriver=$build/testing/uidriver/uidriver.exe
for file in "$msi" "$tesselctl" "$tesselsim" "$simulator" "$probe" "$uidriver"; do
  [ -f "$file" ] || { echo "run-demo.sh: ${file:-the MSI} is missing; build first (make windows)" >&2; exit 1; }
done

demo=$build/demo
prefix=$demo/prefix
shots=$demo/screenshots
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
quiet() { "$@" </dev/null >/dev/null 2>&1; }
# Windows programs reach a Unix path through drive Z:.
winpath() { echo "Z:$1"; }
started=$SECONDS

# --- a fresh prefix with the suite installed ---
mkdir -p "$demo"
# The programs of an earlier demo may still run there.
[ -f "$prefix/system.reg" ] && quiet wineserver -k || true
rm -rf "$prefix"
"$root/scripts/wine-template.sh" "$demo/template"
cp -a "$demo/template" "$prefix"
# Started with no pipes of ours, so Wine's helpers hold none of the caller's; it ends by itself
# 10 s after the last program.
quiet wineserver -p10
if $walk; then
  trap 'quiet wineserver -k || true' EXIT
  # No window manager on this display: Wine draws the captions, and does not wait for a manager
  # to withdraw each popup it hides (about 2 s a list or box, with the program answering nothing).
  quiet wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f
  quiet wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
fi
wine msiexec /i "$(winpath "$msi")" /qn /l*v "$(winpath "$demo/msiexec.log")" </dev/null >/dev/null 2>&1 ||
  { echo "run-demo.sh: msiexec failed; its log is $demo/msiexec.log" >&2; exit 1; }
install_dir="$prefix/drive_c/Program Files/Kavix/Kavix Tessel"
echo "installed $(basename "$msi") into $install_dir"
# The package never carries the simulated mouse's module.
cp "$simulator" "$install_dir/"

# --- the simulated mouse, set up through the installed middleware ---
# Windows programs started from another folder (the shortcut's) must still find the file: a
# drive path, not a Unix one.
export TESSEL_SIM=$(winpath "$demo/mouse.txt")
quiet wine "$tesselsim" create --force
show() {
  echo
  echo "\$ tesselctl $*"
  wine "$tesselctl" "$@" </dev/null 2>&1 | tr -d '\r'
}
show info
show profiles list
show profiles create Arena
show profiles create Strategy
show macros create "name=Burst delay=20 click:left 30ms click:left 30ms click:left"
show profiles buttons 2 set button4=macro:1 button5=profile:3
show profiles activate 2
show sensitivity set 1200 1100
show stages get
show --json stages get
echo

# --- the configurator from its Start-menu shortcut, which starts the tray ---
link=$(find "$prefix/drive_c" -path '*/Start Menu/Programs/Kavix Tessel/Tessel Config.lnk' | head -1)
[ -n "$link" ] || { echo "run-demo.sh: the package made no Start-menu shortcut" >&2; exit 1; }
target=$(wine "$probe" shortcut "$(winpath "$link")" </dev/null 2>/dev/null | tr -d '\r')
ui() { wine "$uidriver" "$@" </dev/null; }
# Under Wine a program started keeps its starter's Unix standard error (the tray, started by
# the configurator, too): theirs goes to a log, so that no caller waits on a pipe they hold.
ui start "\"$target\"" >/dev/null 2>"$demo/programs.log" || { cat "$demo/programs.log" >&2; exit 1; }
dialog="title=Kavix Tessel Config;shown"
ui --timeout 40000 wait "$dialog" >/dev/null
ui --timeout 40000 wait-gone "title=Information;shown"
ui --timeout 20000 wait "class=Kavix_Tessel_Tray" >/dev/null
echo "The configurator ($target) and the tray run on the simulated mouse ($((SECONDS - started)) s)."

if ! $walk; then
  echo "They stay on $DISPLAY. To end them:  WINEPREFIX=$prefix wineserver -k"
  echo "tesselctl and tesselsim work on the same mouse:"
  echo "  export WINEPREFIX=$prefix TESSEL_SIM=$TESSEL_SIM"
  echo "  scripts/wine-run.sh $tesselsim press stage-up"
  exit 0
fi

# --- the walk: each page, the stages dialog, the header's menu, the tray's menu and its notices ---
rm -rf "$shots"
mkdir -p "$shots"
shot() {  # shot NAME [STEP...]: what is on screen now (the window, or the whole screen)
  local name=$1
  shift
  sleep 1  # the page paints its art after it shows
  ui shot "$(winpath "$shots/$name.png")" "$@" >/dev/null
}
page() {  # page NAME TAB CONTROL: the tab clicked by real input, the page shown by one of its controls
  ui click "$dialog" "id=$2"
  ui wait "$dialog" "id=$3;shown" >/dev/null
  shot "$1" "$dialog"
}
ui front "$dialog"
page 1-buttons 1063 2800
page 2-performance 1064 898
ui click "$dialog" "id=2150"
ui wait "title=Sensitivity Stage Settings;shown" >/dev/null
shot 2-stages "title=Sensitivity Stage Settings;shown"
ui press "title=Sensitivity Stage Settings;shown" "id=2182"  # its Cancel
ui wait-gone "title=Sensitivity Stage Settings;shown"
page 3-profiles 1065 2160
ui click "$dialog" "id=1066"
ui click "$dialog" "id=2170"  # the macro names; the keys choose the first, "Burst"
sleep 1
ui key DOWN
ui key RETURN
ui wait-text Burst "$dialog" "id=2170"
shot 4-macros "$dialog"
page 5-lighting 1067 2148
# The header's menu, with the languages when the package has translations.
ui click --right --at 400,27 "$dialog"
ui wait "class=#32768;shown" >/dev/null
ui key UP
ui key RIGHT
shot 6-header-menu
ui key ESCAPE
ui key ESCAPE
ui wait-gone "class=#32768;shown"
# Apply writes the profiles' side files too, which tell the tray which notices to show.
ui click "$dialog" "id=1022"
ui --timeout 20000 wait "title=Information;shown" >/dev/null
ui --timeout 40000 wait-gone "title=Information;shown"
# The icon's callback as the shell sends it on a right click (Xvfb has no notification area).
ui post KXIconCreated98 103 0x205 "class=Kavix_Tessel_Tray"
ui wait "class=#32768;shown" >/dev/null
shot 7-tray-menu
# Down past "Load Tessel Configurator", "Profile 1" and "Arena" to "Strategy": the tray makes it
# the mouse's active profile.
for _ in 1 2 3 4; do ui key DOWN; done
ui key RETURN
ui wait-gone "class=#32768;shown"
for _ in $(seq 50); do grep -qx 'active-profile = 3' "$demo/mouse.txt" && break; sleep 0.2; done
grep -qx 'active-profile = 3' "$demo/mouse.txt" || { echo "run-demo.sh: the tray's menu did not switch the mouse to Strategy" >&2; exit 1; }
# The mouse's own profile button back to "Arena": the tray shows the profile's name.
quiet wine "$tesselsim" press profile 2
shot 8-profile-notice
# A press of the mouse's sensitivity button: the tray shows the new sensitivity.
quiet wine "$tesselsim" press stage-up
shot 9-sensitivity-notice
ls "$shots"/*.png | sed 's/^/  /'
echo "Screenshots of the walk are in $shots/ ($((SECONDS - started)) s in all)."
