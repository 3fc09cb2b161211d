#!/usr/bin/env bash
# wine-template.sh DIR — makes DIR a fresh Wine prefix, once, for runs that each want a prefix of
# their own to copy from it (cp -a takes well under a second; wineboot takes several).
# Wine's menu builder is off in it, so that a shortcut a package installs never becomes a menu
# entry of this machine's own desktop, and Wine's fonts are in place (a fresh prefix does not
# find them, and dialogs then fall back to other faces).
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: wine-template.sh DIR" >&2
  exit 2
fi
template=$1
[ -f "$template/system.reg" ] && exit 0
quiet() { "$@" </dev/null >/dev/null 2>&1; }
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Made beside its place and moved there whole: a run cut short leaves no half-made template.
rm -rf "$template.new"
mkdir -p "$template.new"
export WINEPREFIX=$(cd "$template.new" && pwd)
quiet wineboot -i
quiet wine reg add 'HKCU\Software\Wine\DllOverrides' /v winemenubuilder.exe /d '' /f
if [ -d /usr/share/wine/fonts ]; then
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
fi
# The registry reaches the files on disk when the server ends.
quiet wineserver -w
rm -rf "$template"
mv "$template.new" "$template"
