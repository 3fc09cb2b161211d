# tesselctl end to end: the registered middleware in the test's Wine prefix, a simulated mouse
# made with tesselsim, and tesselctl run as a user runs it. Each step checks the exit code and a
# piece of the output; --json output is parsed.
# cmake -DTOOL=tesselctl.exe -DSIM=tesselsim.exe -DSERVER=KavixMiddlewareServer.dll
#       -DEMULATOR=wine-run.sh -DWORK=dir -P this
include(${CMAKE_CURRENT_LIST_DIR}/cli_steps.cmake)
start_work()

# --- the command line alone: no mouse is asked ---
step(0 "usage: tesselctl [--json]" --help)
step(0 "usage: tesselctl stages get" stages --help)
step(0 "FUNCTION is one of" help profiles)
step(2 "missing a command")
step(2 "unknown command \"dance\"" dance)
step(2 "expected get or set, not \"put\"" sensitivity put)
step(2 "steps of 25 DPI" sensitivity set 810)
step(2 "a sensitivity in DPI must be a number from 125 to 4000" sensitivity set 800 4025)
step(2 "the polling rate is 125, 500 or 1000 Hz" polling set 250)
step(2 "the mouse has 2 to 5 stages" stages set 800)
step(2 "unknown light \"lamp\"" lights set lamp)
step(2 "unknown function \"jump\"" profiles buttons 1 set left=jump)
step(2 "a profile number must be a number from 1 to 5" profiles activate 6)
step(2 "\"30ms\" follows no element" macros write 1 "30ms down:0x1E")
step(2 "unexpected \"now\"" info now)

# --- identity ---
step(0 "VID_7A3C&PID_0013" info)
step(0 "firmware        1.07" info)
ctl_json(info info)
json_expect("${info}" "1.07" firmware)
json_expect("${info}" "73012405170000000000000000001234" serial)
json_expect("${info}" "1102" middlewareVersion)
json_expect("${info}" "ON" connected)
json_expect("${info}" "9" capabilities mouseButtons)

# --- sensitivity, stages, polling rate, lights: checked against the mouse's own state ---
step(0 "800 DPI" sensitivity set 800)
step(0 "800 DPI" sensitivity get)
ctl_json(level sensitivity set 900 1200)
json_expect("${level}" "900" x)
json_expect("${level}" "1200" y)
sim_expect("current-codes = 32/44" show)

step(0 "400,800x600,1600 current=2 default=3" stages set 400,800x600,1600 current=2 default=3)
ctl_json(stages stages get)
json_expect("${stages}" "3" stages LENGTH)
json_expect("${stages}" "600" stages 1 y)
json_expect("${stages}" "2" current)
json_expect("${stages}" "3" default)
# The current stage of the active profile sets the sensitivity.
step(0 "800x600 DPI" sensitivity get)
# Left out, the current and default stages stay where they still fit.
step(0 "500,1000 current=2 default=1" stages set 500,1000)

step(0 "500 Hz" polling set 500)
step(0 "500 Hz" polling get)
sim_expect("polling-code = 2" show)
step(0 "5 (wheel on, battery off, dock on)" lights set wheel,dock)
ctl_json(lights lights get)
json_expect("${lights}" "5" status)
json_expect("${lights}" "OFF" battery)

# --- onboard profiles ---
step(0 "1  Profile 1  (active)" profiles list)
step(0 "created profile 2" profiles create Game)
step(0 "profile 2 is now named Arena" profiles rename 2 Arena)
step(2 "a name holds at most 19 characters" profiles rename 2 ABCDEFGHIJKLMNOPQRST)
step(0 "profile 2 is active" profiles activate 2)
step(1 "the active profile cannot be deleted" profiles delete 2)
step(1 "E_ACCESSDENIED (0x80070005)" profiles delete 1)
ctl_json(profiles profiles list)
json_expect("${profiles}" "2" LENGTH)
json_expect("${profiles}" "Arena" 1 name)
json_expect("${profiles}" "ON" 1 active)
# A new profile comes with the default stages; the active one is shown without a number.
step(0 "stages  500,1000,1500,2000,4000 current=3 default=3" profiles show)
step(0 "profile 1 is active" profiles activate 1)
step(0 "deleted profile 2" profiles delete 2)
step(1 "this profile number is free" profiles show 2)

step(0 "right=macro:1" profiles buttons 1 set right=macro:1 dpi-up=stage:2 middle=key:0x1E)
step(0 "dpi-up=stage:2" profiles buttons 1)
ctl_json(buttons profiles buttons 1)
json_expect("${buttons}" "9" LENGTH)
json_expect("${buttons}" "middle" 2 button)
json_expect("${buttons}" "key:0x1E" 2 function)
json_expect("${buttons}" "click" 0 function)
sim_expect("buttons = 01:01:00:00 02:41:00:00 03:31:1e:00 04:04:00:00 05:05:00:00 06:21:02:00" show)
# A function code the middleware cannot read back shows as unknown, and can be replaced.
file(READ "${STATE}" state)
string(REPLACE "buttons = 01:01:00:00" "buttons = 01:0f:00:00" state "${state}")
file(WRITE "${STATE}" "${state}")
step(0 "left=unknown\nright=macro:1" profiles buttons 1)
step(0 "left=click\nright=macro:1" profiles buttons 1 set left=click)

# --- onboard macros ---
step(0 "no macros" macros list)
step(0 "created macro 1" macros create)
step(0 "1  name=Burst delay=20 down:0x1E 30ms up:0x1E click:left"
     macros write 1 "name=Burst delay=20 down:0x1E 30ms up:0x1E click:left")
step(0 "name=Burst delay=20 down:0x1E 30ms up:0x1E click:left" macros show 1)
ctl_json(macros macros list)
json_expect("${macros}" "1" LENGTH)
json_expect("${macros}" "Burst" 0 name)
json_expect("${macros}" "down:0x1E" 0 elements 0 action)
json_expect("${macros}" "30" 0 elements 0 delayMs)
step(0 "created macro 2" macros create name=Wave press:right 100ms release:right)
step(0 "2  name=Wave delay=10 press:right 100ms release:right" macros list)
step(0 "deleted macro 1" macros delete 1)
step(0 "total      64 units (30720 bytes)" memory)

# --- the wireless receiver ---
sim(connect both)
step(0 "VID_7A3C&PID_0014" --wireless info)
step(0 "100%" battery)
sim(set battery 2)
step(0 "30%" battery)

# --- failures: each with its text and exit code ---
sim(connect none)
step(3 "opening the mouse failed: no mouse found [ERROR_NO_MORE_ITEMS (0x80070103)]" info)
ctl(code out err --json sensitivity get)
expect_code(3 ${code} "${err}")
json_expect("${err}" "no mouse found" error)
json_expect("${err}" "ERROR_NO_MORE_ITEMS (0x80070103)" status)
sim(connect wired)
# The first answer goes to the search for the mouse, the second to the request.
sim(fault status 02 FF)
step(1 "reading the polling rate failed: the operation failed" polling get)

unregister_server()
step(4 "the middleware is not registered; run regsvr32 KavixMiddlewareServer.dll" info)
register_server()
step(0 "1.07" info)

finish_work()
