# GoogleTest from Debian's source package, built with whichever compiler this build uses.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

if(TESSEL_WINDOWS)
  # Tests need a Wine prefix with a running wineserver; the fixture makes both once per run so
  # Wine's helper processes never inherit a test's output pipe.
  set(TESSEL_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  add_test(NAME wine.start
           COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-env.sh start ${TESSEL_WINEPREFIX})
  set_tests_properties(wine.start PROPERTIES FIXTURES_SETUP wine)
  add_test(NAME wine.stop
           COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-env.sh stop ${TESSEL_WINEPREFIX})
  set_tests_properties(wine.stop PROPERTIES FIXTURES_CLEANUP wine)
endif()

# tessel_test(name SOURCES ... LIBS ...): one test executable, registered as one ctest test.
function(tessel_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gmock)
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
  if(TESSEL_WINDOWS)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine
      ENVIRONMENT "WINEPREFIX=${TESSEL_WINEPREFIX};WINEDEBUG=-all")
  endif()
  if(T_PROPERTIES)
    set_tests_properties(${name} PROPERTIES ${T_PROPERTIES})
  endif()
endfunction()

# tessel_fuzzer(name SOURCES ... LIBS ...): a libFuzzer target of the host build (clang only),
# collected in build/<preset>/fuzz/ for scripts/run-fuzzers.sh.
function(tessel_fuzzer name)
  if(TESSEL_WINDOWS OR NOT TESSEL_FUZZ OR NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    return()
  endif()
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
endfunction()

# tessel_benchmark(name SOURCES ... LIBS ...): a benchmark program, never run as a test. Host
# benchmarks use Google Benchmark; Windows ones report their own figures. Collected in
# build/<preset>/bench/ for scripts/run-benchmarks.sh.
function(tessel_benchmark name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS})
  if(NOT TESSEL_WINDOWS)
    find_package(benchmark REQUIRED)
    target_link_libraries(${name} PRIVATE benchmark::benchmark)
  endif()
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endfunction()

# tessel_ui_test(name SOURCES ... LIBS ... | COMMAND ... [ENVIRONMENT VAR=VALUE...]): a test that
# shows windows. It runs on an Xvfb display and a wineserver of its own (one server would share
# windows, pointer and foreground between tests: see scripts/ui-session.sh), so UI tests run in
# parallel. SOURCES make a GoogleTest program linked with the UI driver; COMMAND runs a script
# instead (which can use uidriver.exe, named by $UIDRIVER). Screenshots go to
# build/<preset>/artefacts/<name>/. Windows programs reach a Unix path through drive Z:, e.g.
# ENVIRONMENT "GALLERY=Z:$<TARGET_FILE:gallery>".
# tessel_on_own_display(target): a test program that needs a display (hooks, input, windows)
# runs under its own Xvfb in a Wine session of its own. On the build's shared wineserver, a
# display that has gone with its test leaves the other tests' window-system calls failing.
function(tessel_on_own_display target)
  set_target_properties(${target} PROPERTIES CROSSCOMPILING_EMULATOR
    "${CMAKE_SOURCE_DIR}/scripts/with-xvfb.sh;${CMAKE_SOURCE_DIR}/scripts/ui-session.sh;${TESSEL_WINEPREFIX};${CMAKE_CURRENT_BINARY_DIR}/${target}.session;${CMAKE_SOURCE_DIR}/scripts/wine-run.sh")
endfunction()

function(tessel_ui_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;COMMAND;ENVIRONMENT;PROPERTIES" ${ARGN})
  if(T_SOURCES)
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} uidriver GTest::gtest_main GTest::gmock)
    set(T_COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${name}>)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_test(NAME ${name}
           COMMAND ${CMAKE_SOURCE_DIR}/scripts/with-xvfb.sh ${CMAKE_SOURCE_DIR}/scripts/ui-session.sh
                   ${TESSEL_WINEPREFIX} ${CMAKE_CURRENT_BINARY_DIR}/${name}.session ${T_COMMAND})
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} FIXTURES_REQUIRED wine
    ENVIRONMENT "WINEDEBUG=-all;TESSEL_ARTEFACTS=Z:${CMAKE_BINARY_DIR}/artefacts/${name};UIDRIVER=$<TARGET_FILE:uidriver_cli>;${T_ENVIRONMENT}")
  if(T_PROPERTIES)
    set_tests_properties(${name} PROPERTIES ${T_PROPERTIES})
  endif()
endfunction()
