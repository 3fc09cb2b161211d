# tesselctl's store commands end to end: the middleware's settings store in the registry of the
# test's Wine prefix, its XML export and import, and the system's pointer settings. No mouse is
# attached: the store needs none.
# cmake -DTOOL=… -DSIM=… -DSERVER=… -DEMULATOR=… -DWORK=… -P this
include(${CMAKE_CURRENT_LIST_DIR}/cli_steps.cmake)
start_work()
# The store of the wired product starts empty.
execute_process(COMMAND ${EMULATOR} reg delete "HKLM\\Software\\Kavix\\KavixControl_0013" /f
                OUTPUT_QUIET ERROR_QUIET)
sim(connect none)

step(0 "no stored profiles" store profiles list)
step(0 "no stored macros" store macros list)
step(0 "no profile groups" store groups list)
step(2 "unknown store command \"books\"" store books list)
step(2 "\"name=\" is not kept in the settings store" store macros save Fire name=Fire click:left)
step(2 "\"key:\" mappings belong to the mouse's profiles" store profiles save Game left=key:0x1E)
step(2 "missing code=N" store actions save Mail data=0A)

# --- items and what they name ---
set(fire "version=1 mode=until-released type=keystroke repeat=2 icon=fire.ico click:left 20ms down:0x1E hold:50ms raw:2,4,0,3")
step(0 "saved macro Fire" store macros save Fire "${fire}")
step(0 "${fire}" store macros show Fire)
ctl_json(macro store macros show Fire)
json_expect("${macro}" "4" elements LENGTH)
json_expect("${macro}" "down:0x1E" elements 2 action)
json_expect("${macro}" "50" elements 2 holdMs)
step(0 "saved user action Mail" store actions save Mail code=7 data=0A0BFF)
step(0 "code=7 data=0A0BFF" store actions show Mail)

step(1 "no stored macro has this name" store profiles save Game right=macro:Missing)
step(0 "saved profile Game" store profiles save Game version=3 left=click right=macro:Fire middle=action:Mail dpi-up=stage:2)
step(0 "version=3\nleft=click\nright=macro:Fire\nmiddle=action:Mail\ndpi-up=stage:2" store profiles show Game)
ctl_json(profile store profiles show Game)
json_expect("${profile}" "3" version)
json_expect("${profile}" "macro:Fire" buttons 1 function)
step(0 "Game" store profiles list)

step(1 "every profile it lists must be stored first" store groups save Team Game Missing)
step(0 "saved profile group Team" store groups save Team Game)
step(0 "Game" store groups show Team)
step(0 "saved spell book Book" store spellbooks save Book Fire)
ctl_json(books store spellbooks list)
json_expect("${books}" "Book" 0)

# What others use stays.
step(1 "a spell book or stored profile still uses it" store macros delete Fire)
step(1 "a profile group still lists it" store profiles delete Game)
step(1 "nothing of this name is stored" store groups delete Nobody)

# --- export, delete everything, import it back ---
set(file "${WORK}/everything.xml")
step(0 "exported to" store export "${file}")
file(READ "${file}" exported)
foreach(item "<ProfileGroup name=\"Team\">" "<Profile name=\"Game\">" "<SpellBook name=\"Book\">" "<Macro name=\"Fire\">"
             "<UserAction name=\"Mail\">")
  string(FIND "${exported}" "${item}" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "the export holds no ${item}:\n${exported}")
  endif()
endforeach()

step(0 "deleted profile group Team" store groups delete Team)
step(0 "deleted spell book Book" store spellbooks delete Book)
step(0 "deleted profile Game" store profiles delete Game)
step(0 "deleted macro Fire" store macros delete Fire)
step(0 "deleted user action Mail" store actions delete Mail)
step(0 "no stored profiles" store profiles list)
step(0 "no stored user actions" store actions list)

step(0 "imported from" store import "${file}")
step(0 "right=macro:Fire" store profiles show Game)
step(0 "${fire}" store macros show Fire)
step(0 "Game" store groups show Team)
step(0 "Fire" store spellbooks show Book)

# One item: a macro alone goes into a new file without the profile.
set(one "${WORK}/one.xml")
step(0 "exported to" store export "${one}" macros Fire)
file(READ "${one}" exported)
string(FIND "${exported}" "<Profile " found)
if(NOT found EQUAL -1 OR NOT exported MATCHES "<Macro name=\"Fire\">")
  message(FATAL_ERROR "the export of one macro holds:\n${exported}")
endif()
step(2 "unknown kind \"books\"" store export "${one}" books)
step(1 "importing all profiles failed" store import "${WORK}/missing.xml" profiles)

# A file that is no export of this mouse is refused with E_FAIL, not "imported": text, nothing,
# random bytes (NULs and bytes that are no UTF-8 among them) and 10 MB of junk, each for the whole
# import and for one kind. A cut-off export names the item it ends in.
file(WRITE "${WORK}/notes.txt" "shopping list: milk, bread\n")
file(WRITE "${WORK}/empty.xml" "")
execute_process(COMMAND head -c 65536 /dev/urandom OUTPUT_FILE "${WORK}/random.bin" RESULT_VARIABLE made)
string(RANDOM LENGTH 1024 RANDOM_SEED 7 ALPHABET "<>/=\"&; abcdefgXYZ0123456789" junk)
foreach(i RANGE 10)  # 1 KiB doubled eleven times: 2 MiB
  string(APPEND junk "${junk}")
endforeach()
foreach(i RANGE 4)
  file(APPEND "${WORK}/junk.xml" "${junk}")
endforeach()
file(SIZE "${WORK}/junk.xml" junk_size)
if(NOT made EQUAL 0 OR junk_size LESS 10000000)
  message(FATAL_ERROR "could not make the junk files (${made}, ${junk_size} bytes)")
endif()
foreach(name notes.txt empty.xml random.bin junk.xml)
  foreach(kind "" macros)
    ctl(code out err store import "${WORK}/${name}" ${kind})
    expect_code(1 ${code} "${out}${err}")
    string(FIND "${err}" "the file is not an export of this mouse" refused)
    string(FIND "${err}" "[E_FAIL (0x80004005)]" failed)
    if(refused EQUAL -1 OR failed EQUAL -1)
      message(FATAL_ERROR "tesselctl store import ${name} ${kind}: expected E_FAIL and \"not an export\":\n${out}${err}")
    endif()
  endforeach()
endforeach()
string(FIND "${exported}" "</Macro>" end)
string(SUBSTRING "${exported}" 0 ${end} cut)
file(WRITE "${WORK}/cut.xml" "${cut}")
step(1 "the file is cut off inside Macro \"Fire\"" store import "${WORK}/cut.xml")

# --- the system's pointer settings ---
ctl_json(before pointer get)
string(JSON speed GET "${before}" speed)
string(JSON level GET "${before}" acceleration)
step(2 "the pointer speed must be a number from 1 to 20" pointer set speed 21)
step(0 "speed         15" pointer set speed 15)
step(0 "acceleration  4 (on)" pointer set acceleration 4)
step(0 "acceleration  4 (off)" pointer set acceleration off)
step(0 "acceleration  0 (on)" pointer set acceleration 0)
ctl_json(pointer pointer get)
json_expect("${pointer}" "15" speed)
json_expect("${pointer}" "0" acceleration)
# Back as they were (a speed outside 1-20 to the system's default, 10).
if(speed LESS 1 OR speed GREATER 20)
  set(speed 10)
endif()
step(0 "speed" pointer set speed ${speed})
step(0 "acceleration" pointer set acceleration ${level})

finish_work()
