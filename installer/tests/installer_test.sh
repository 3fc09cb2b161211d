#!/usr/bin/env bash
# installer_test.sh WORK MSI OLD_MSI VERSION UPDATE_URL PROBE TESSELCTL TESSELSIM SIM_HID SERVER TRANSLATIONS
#
# The package in a fresh Wine prefix with the real msiexec: an older version installed, then
# upgraded; files, settings, Run key, shortcut; the middleware created by ProgID through the
# package's registry rows alone, and used on the simulated mouse; the manual of every language
# of TRANSLATIONS/languages.txt with its pictures; uninstall leaving nothing but the user's data;
# and the package's registration equal to what regsvr32 writes.
set -uo pipefail
work=$1 msi=$2 old_msi=$3 version=$4 update_url=$5 probe=$6 tesselctl=$7 tesselsim=$8 sim_hid=$9 server=${10} translations=${11} uidriver=${12}
# (winemenubuilder is turned off in the template's registry: the variable does not reach it.)
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
quiet() { "$@" </dev/null >/dev/null 2>&1; }

# A fresh prefix is made once and copied for each run (wineboot costs several seconds).
mkdir -p "$work"
work=$(cd "$work" && pwd)
template=$work/template
"$(dirname "$0")/../../scripts/wine-template.sh" "$template" || { echo "FAIL: no Wine prefix could be made" >&2; exit 1; }
prefix=$(mktemp -d "$work/prefix.XXXXXX")
cp -a "$template/." "$prefix/"
export WINEPREFIX=$prefix
cleanup() {
  quiet wineserver -k
  quiet wineserver -w
  rm -rf "$prefix"
}
trap cleanup EXIT
# Started with no pipes of ours, or ctest would wait on Wine's helpers; it ends 10 s after its
# last program should this script be killed before its clean-up.
quiet wineserver -p10

drive_c=$prefix/drive_c
install_dir="$drive_c/Program Files/Kavix/Kavix Tessel"
install_dir_win='C:\Program Files\Kavix\Kavix Tessel\'

# The registry as Wine saves it, one line per value ("ROOT\key" "name"=data) and one per key,
# sorted: the server is stopped so that the files on disk are complete.
snapshot() {
  quiet wineserver -k
  quiet wineserver -w
  for hive in HKLM:system.reg HKCU:user.reg; do
    awk -v root="${hive%%:*}" '
      /^(;|#|WINE REGISTRY)/ || /^$/ { next }
      /^\[/ { sub(/\] [0-9]+$/, "]"); key = root "\\" substr($0, 2, length($0) - 2); print key; next }
      { line = $0
        while (line ~ /\\$/ && (getline more) > 0) { sub(/\\$/, "", line); sub(/^ +/, "", more); line = line more }
        print key " " line }' "$prefix/${hive#*:}"
  done | LC_ALL=C sort >"$work/$1.reg.txt"
  quiet wineserver -p10
}
added() { LC_ALL=C comm -13 "$work/$1.reg.txt" "$work/$2.reg.txt"; }
removed() { LC_ALL=C comm -23 "$work/$1.reg.txt" "$work/$2.reg.txt"; }
# What a package can leave or take: the software keys. (Wine detects the hardware again at each
# server start, which rewrites parts of HKLM\System.)
software() { grep -E '^HK(LM|CU)\\Software\\' | without_host_fonts; }
# Wine lists the host's fonts among the system's fonts at every start and drops a host face while
# the same face lies in the prefix's fonts folder: those values follow the fonts the package
# brings and takes, not the package itself.
without_host_fonts() {
  grep -vF 'HKCU\Software\\Wine\\Fonts\\External Fonts ' |
    grep -vE '^HKLM\\Software\\\\Microsoft\\\\Windows( NT)?\\\\CurrentVersion\\\\Fonts "[^"]*"="Z:\\\\'
}
# Lines of values ("ROOT\key" @=data or "ROOT\key" "name"=data), as against lines of keys.
value_lines() { grep -E ' (@|"([^"\\]|\\.)*")='; }
key_lines() { grep -vE ' (@|"([^"\\]|\\.)*")='; }
has_line() { grep -qxF -- "$2" "$work/$1.reg.txt" || fail "registry after $1 lacks: $2"; }
# The component registration: HKEY_CLASSES_ROOT without the installer's own product records.
classes() { grep -F 'HKLM\Software\\Classes\\' | grep -vF 'HKLM\Software\\Classes\\Installer\\'; }

msiexec() {
  local log status=0
  log=$work/msiexec-$1-$(basename "$2" .msi).log
  [ -f "$2" ] || { fail "no package $2"; return 1; }
  wine msiexec "/$1" "Z:$2" /qn /l*v "Z:$log" </dev/null >/dev/null 2>&1 || status=$?
  [ $status -eq 0 ] || fail "msiexec /$1 $(basename "$2") failed ($status); log in $log"
}

snapshot before

# --- an older version, then this one over it ---
msiexec i "$old_msi"
msiexec i "$msi"
snapshot installed
package_classes=$(added before installed | classes)
products=$(grep -F 'HKLM\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\' "$work/installed.reg.txt" |
           grep -F '"DisplayName"="Kavix Tessel"' | sed 's/ "DisplayName".*//')
[ "$(printf '%s\n' "$products" | grep -c .)" = 1 ] || fail "not exactly one Kavix Tessel product after the upgrade: $products"
grep -qxF "$products \"DisplayVersion\"=\"$version\"" "$work/installed.reg.txt" || fail "the installed product is not version $version"

# --- files: exactly the suite, without the simulated mouse's module ---
expected_files="KavixMiddlewareServer.dll
KavixTesselTray.exe
lhc.exe
OSD.dll
Play-LICENSE.txt
TesselCfg.exe"
actual_files=$(cd "$install_dir" 2>/dev/null && find . -type f | sed 's|^\./||' | grep -v '^Translations/' | LC_ALL=C sort -f)
[ "$actual_files" = "$(printf '%s\n' "$expected_files" | LC_ALL=C sort -f)" ] ||
  fail "installed files differ: $(printf '%s\n' "$actual_files" | tr '\n' ' ')"
cmp -s "$server" "$install_dir/KavixMiddlewareServer.dll" || fail "the installed server is not the one built"

# --- the manual of every language the package lists, with the pictures it shows ---
# A source tree without a translations folder makes a package without languages or manuals: then
# there is nothing to look for. A folder without its list of languages is a broken package.
if [ -d "$translations" ]; then
  if [ ! -f "$translations/languages.txt" ]; then
    fail "$translations has no languages.txt: the package lists no language for its files"
  else
    languages=$(tr -d '\r' <"$translations/languages.txt" | grep -v '^#' | grep . | cut -d'|' -f1)
    [ -n "$languages" ] || fail "languages.txt lists no language"
    while IFS= read -r language; do
      manual="$install_dir/Translations/Manuals/$language/index.html"
      if [ ! -s "$manual" ]; then
        fail "no installed manual for $language (Translations\\Manuals\\$language\\index.html)"
        continue
      fi
      grep -qi '<meta charset="utf-8">' "$manual" || fail "the $language manual does not declare UTF-8"
      for picture in $(grep -o 'src="[^"]*"' "$manual" | sed 's/^src="//; s/"$//'); do
        [ -f "$(dirname "$manual")/$picture" ] || fail "the $language manual shows $picture, which is not installed"
      done
    done <<<"$languages"
  fi
else
  echo "no translations folder in the source tree: no manuals to look for"
fi

# --- settings of the installation and the tray at logon ---
settings='HKLM\Software\\Kavix\\Kavix Tessel'
has_line installed "$settings \"InstallDir\"=\"C:\\\\Program Files\\\\Kavix\\\\Kavix Tessel\\\\\""
has_line installed "$settings \"Translation\"=dword:00000000"
has_line installed "$settings \"TranslationMode\"=dword:00000000"
has_line installed "$settings \"UpdateUrl\"=\"$update_url\""
has_line installed 'HKLM\Software\\Microsoft\\Windows\\CurrentVersion\\Run "Kavix Tessel Tray"="\"C:\\Program Files\\Kavix\\Kavix Tessel\\KavixTesselTray.exe\""'

# --- the Start-menu shortcut names the installed configurator ---
# (Wine places the programs menu of a per-machine package in the user's profile.)
links=$(find "$drive_c" -path '*/Start Menu/Programs/Kavix Tessel/*.lnk')
link=$(printf '%s\n' "$links" | grep '/Tessel Config\.lnk$')
if [ -z "$link" ]; then
  fail "no Start-menu shortcut 'Tessel Config'"
else
  target=$(wine "$probe" shortcut "Z:$link" </dev/null 2>&1 | tr -d '\r')
  [ "$target" = "${install_dir_win}TesselCfg.exe" ] || fail "the shortcut points at '$target'"
  [ -f "$install_dir/TesselCfg.exe" ] || fail "the shortcut's target is missing"
fi

# --- the middleware through the package's registration alone (no regsvr32 has run) ---
created=$(wine "$probe" create Server.DeviceEnumeration.1 </dev/null 2>&1 | tr -d '\r')
[ "$created" = "${install_dir_win}KavixMiddlewareServer.dll" ] || fail "Server.DeviceEnumeration.1 created from '$created'"
# tesselctl creates it by the version-independent ProgID and talks to the simulated mouse, whose
# module the server loads from its own folder; the package itself never carries it.
cp "$sim_hid" "$install_dir/"
state=$work/mouse-$$.txt
wine "$tesselsim" --state "Z:$state" create </dev/null >/dev/null 2>&1 || fail "tesselsim create failed"
info=$(TESSEL_SIM="Z:$state" wine "$tesselctl" info </dev/null 2>&1 | tr -d '\r')
grep -q '^firmware *1\.07$' <<<"$info" || fail "tesselctl info through the installed middleware: $info"
# The configurator as the Start-menu shortcut starts it (on this test's own display): it reads
# the simulated mouse through the installed middleware and fills its pages. It starts the tray.
ui() { TESSEL_SIM="Z:$state" wine "$uidriver" "$@" </dev/null 2>>"$work/programs.log"; }
if ui start "\"$target\"" >/dev/null; then
  dialog="title=Kavix Tessel Config;shown"
  if ui --timeout 40000 wait "$dialog" >/dev/null && ui --timeout 40000 wait-gone "title=Information;shown"; then
    ui --timeout 10000 wait-text Click "$dialog" "id=2800" || fail "the installed configurator did not fill its pages from the mouse"
  else
    fail "the installed configurator showed no filled dialog"
  fi
else
  fail "the configurator of the shortcut did not start"
fi
quiet wineserver -k  # the configurator and the tray it started
quiet wineserver -w
quiet wineserver -p10
# The user's own data, which uninstalling must leave: the settings store and a profile side file.
TESSEL_SIM="Z:$state" quiet wine "$tesselctl" store actions save InstallerTest code=1 || fail "tesselctl store save failed"
side_file=$(find "$drive_c/users" -maxdepth 3 -path '*/AppData/Roaming' ! -path '*/Public/*' | head -1)/MarloProfile0.dat
printf 'side file of the user\n' >"$side_file"
rm -f "$install_dir/$(basename "$sim_hid")" "$state"

# --- uninstall: everything of the package goes, the user's data stays ---
msiexec x "$msi"
snapshot uninstalled
[ ! -e "$install_dir" ] && [ ! -e "$drive_c/Program Files/Kavix" ] || fail "installation folders left: $(find "$drive_c/Program Files/Kavix" 2>/dev/null | tr '\n' ' ')"
[ -z "$(find "$drive_c" -path '*/Start Menu/Programs/Kavix Tessel*')" ] || fail "Start-menu entries left"
[ -f "$side_file" ] || fail "the user's side file was removed"
# Against the prefix before installing, only the store's keys that tesselctl made may be new,
# and the empty record folders that Windows Installer keeps once it has been used.
without_installer_records() {
  grep -vE '^HKLM\\Software\\\\(Classes|Microsoft\\\\Windows\\\\CurrentVersion)\\\\Installer\\\\'
}
extra=$( { added before uninstalled | software | value_lines; added before uninstalled | software | key_lines | without_installer_records; } |
        grep -vF 'HKLM\Software\\Kavix\\KavixControl_0013' | grep -vxF 'HKLM\Software\\Kavix')
[ -z "$extra" ] || fail "uninstall left in the registry:"$'\n'"$extra"
# No value that was there before may go. (Wine's installer deletes a key it leaves empty even
# when the key was there before, empty, as the Run key of a fresh prefix is.)
lost=$(removed before uninstalled | software | value_lines)
[ -z "$lost" ] || fail "uninstall removed from the registry what was there before:"$'\n'"$lost"
grep -qF 'HKLM\Software\\Kavix\\KavixControl_0013\\UserActions\\InstallerTest "Code"=dword:00000001' \
  "$work/uninstalled.reg.txt" || fail "the user's settings store was removed"

# --- the package's registration is exactly what regsvr32 writes for the same file ---
mkdir -p "$install_dir"
cp "$server" "$install_dir/"
wine regsvr32 /s "${install_dir_win}KavixMiddlewareServer.dll" </dev/null >/dev/null 2>&1 || fail "regsvr32 failed"
snapshot registered
diff <(printf '%s\n' "$package_classes") <(added uninstalled registered | classes) >"$work/registration.diff" ||
  fail "the package's registration differs from regsvr32's (< package, > regsvr32):"$'\n'"$(cat "$work/registration.diff")"
# Two empty sets would agree too: the package did register the class.
grep -qF '\\InprocServer32 @="C:\\Program Files\\Kavix\\Kavix Tessel\\KavixMiddlewareServer.dll"' <<<"$package_classes" ||
  fail "the package registered no InprocServer32 of the installed server"

if [ $failures -ne 0 ]; then
  echo "$failures failure(s); registry snapshots in $work" >&2
  exit 1
fi
rm -f "$work"/*.reg.txt "$work"/msiexec-*.log "$work/registration.diff"
echo "installer test passed"
