# The shipped server imports nothing for the simulated mouse and carries none of its code: the
# simulator is a module of its own, loaded by name only when TESSEL_SIM asks for it.
# cmake -DOBJDUMP=objdump -DSERVER=KavixMiddlewareServer.dll -P server_without_simulator_test.cmake
execute_process(COMMAND ${OBJDUMP} -p -t "${SERVER}" OUTPUT_VARIABLE dump RESULT_VARIABLE code)
string(TOLOWER "${dump}" dump)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "objdump ${SERVER}: exit ${code}")
endif()
string(REGEX MATCHALL "dll name: [^\n]*" imports "${dump}")
message(STATUS "imports: ${imports}")
if(NOT imports MATCHES "hid.dll")
  message(FATAL_ERROR "the import table was not read: ${imports}")
endif()
foreach(needle tessel_sim_hid simulatedhid parsestate)
  string(FIND "${dump}" "${needle}" at)
  if(NOT at EQUAL -1)
    message(FATAL_ERROR "the server holds \"${needle}\" of the simulator")
  endif()
endforeach()
