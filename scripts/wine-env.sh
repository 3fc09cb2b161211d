#!/usr/bin/env bash
# wine-env.sh start|stop PREFIX — makes the Wine prefix once and keeps its wineserver running for
# a test run. Wine's helpers must not hold the caller's pipes, or ctest waits on them.
set -e
action=$1
export WINEPREFIX=$2
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
case "$action" in
  start)
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      mkdir -p "$WINEPREFIX"
      wineboot -i </dev/null >/dev/null 2>&1
      wineserver -w </dev/null >/dev/null 2>&1
    fi
    # Wine's own fonts (package fonts-wine) are not found in a fresh prefix; without them dialogs
    # fall back to other faces and caption buttons draw letters.
    if [ -d /usr/share/wine/fonts ]; then
      mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
      cp -u /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    fi
    # Without a window manager, windows with a caption show none unless Wine draws it itself.
    # UI tests copy the registry files, so the value must be on disk: the server that wrote it
    # is stopped (it saves on exit) before the persistent one starts.
    if ! grep -q '"Decorated"="N"' "$WINEPREFIX/user.reg"; then
      wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f </dev/null >/dev/null 2>&1
      wineserver -k </dev/null >/dev/null 2>&1 || true
      wineserver -w </dev/null >/dev/null 2>&1
    fi
    # A server already running for this prefix (a manual session, the demo) is fine.
    wineserver -p </dev/null >/dev/null 2>&1 || true
    wine wineboot </dev/null >/dev/null 2>&1
    ;;
  stop)
    wineserver -k </dev/null >/dev/null 2>&1 || true
    ;;
  *) echo "usage: wine-env.sh start|stop PREFIX" >&2; exit 2 ;;
esac
