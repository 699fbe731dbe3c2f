# Runs the include check over the small tree in fixture/ against the real
# arrows table: it must fail, name each include that breaks a rule and none
# of the ones that keep them.
#   cmake -DARROWS=<architecture.md> -P CheckFixtureCaught.cmake
cmake_minimum_required(VERSION 3.25)
set(here ${CMAKE_CURRENT_LIST_DIR})
execute_process(
  COMMAND ${CMAKE_COMMAND} -DSOURCE=${here}/fixture -DARROWS=${ARROWS} -P ${here}/CheckIncludeArrows.cmake
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(result EQUAL 0)
  message(FATAL_ERROR "The check passed a tree that breaks the arrows:\n${output}")
endif()

set(caught
  "dfulib/src/Upward.cpp: includes \"wizard/Dialog.h\" of wizard, which dfulib may not include"
  "dfulib/src/UsesTestbed.cpp: includes \"dfulib/usb/testbed/Terminal.h\" of dfulib/usb/testbed, which dfulib may not include"
  "wizard/PlainName.cpp: includes \"Dialog.h\", not a path from the top"
  "headers of one name: platform/Twin.h and res/Twin.h")
foreach(fault ${caught})
  string(FIND "${output}" "${fault}" at)
  if(at EQUAL -1)
    message(SEND_ERROR "Not caught: ${fault}")
  endif()
endforeach()
foreach(allowed device/Allowed.cpp tests/Caller.c tests/Anything.cpp)
  string(FIND "${output}" "${allowed}:" at)
  if(NOT at EQUAL -1)
    message(SEND_ERROR "Refused an allowed include of ${allowed}")
  endif()
endforeach()
message(STATUS "${output}")
