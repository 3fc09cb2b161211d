#!/usr/bin/env bash
# uidriver.exe as a script uses it (tessel_ui_test names it in $UIDRIVER), against the target.
set -uo pipefail
run=$1 target=$2
ui() { "$run" "$UIDRIVER" "$@"; }
fail() { echo "FAIL: $*" >&2; exit 1; }
expect() {  # expect WHAT EXPECTED ACTUAL
  [ "$2" = "$3" ] || fail "$1: expected '$2', got '$3'"
}

main=$(ui start "Z:$target") || fail "start"
expect "find by title" "$main" "$(ui find 'title=Uidriver Target;shown')"
status="hwnd=$main id=105"

ui click "hwnd=$main" "class=Button;title=Press" || fail "click"
ui wait-text "button 1 left 0 right 0 double 0" $status || fail "one BN_CLICKED"
ui press "hwnd=$main" id=101 && ui command "hwnd=$main" id=101 || fail "press, command"
ui click --right --at 5,5 "hwnd=$main" id=104 && ui click --double "hwnd=$main" id=104 || fail "patch clicks"
ui wait-text "button 3 left 1 right 1 double 1" $status || fail "clicks by message and on the patch"

# A registered message by name, as a shell posts a tray icon's callback.
ui post UidriverTargetPosted 103 0x205 "hwnd=$main" || fail "post"
ui wait-text "posted 103 517" $status || fail "the posted message and its parameters"

ui click "hwnd=$main" id=102 && ui type "ab" && ui key BACK && ui key SHIFT Z || fail "typing"
ui wait-text "aZ" "hwnd=$main" id=102 || fail "typed text"

expect "rows" $'0\t10\tAlpha\n1\t-20\tBeta é中\n2\t1099511627776\tGamma' "$(ui rows "hwnd=$main" id=103)"
expect "patch pixels" 3072 "$(ui count 2080C0 "hwnd=$main" id=104)"
shot=$(ui shot cli-target "hwnd=$main") || fail "shot"
expect "shot path" "${TESSEL_ARTEFACTS//\//\\}\\cli-target.png" "$shot"
[ -s "${TESSEL_ARTEFACTS#Z:}/cli-target.png" ] || fail "no PNG written"

ui front "hwnd=$main" && ui key MENU F4 || fail "Alt+F4"
ui wait-gone "title=Uidriver Target" || fail "the target did not close"

err=$(ui --timeout 200 wait "title=No such window" 2>&1 >/dev/null); code=$?
expect "time-out status" 1 $code
expect "time-out message" 'uidriver: timed out after 200 ms waiting for a window with title "No such window" to appear' "$err"
ui find "id=nine" >/dev/null 2>&1; expect "usage status" 2 $?
echo "uidriver.exe: all checks passed"
