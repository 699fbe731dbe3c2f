# Fails unless the shared library exports exactly the six library functions.
execute_process(COMMAND nm -D --defined-only ${LIBRARY}
                OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${symbols}")
set(names)
foreach(line ${lines})
  string(REGEX REPLACE "^[0-9a-fA-F ]* [A-Za-z] " "" name "${line}")
  list(APPEND names ${name})
endforeach()
list(SORT names)
set(expected ConfigurationChange GetDFUAttributes GetUpgradeStatus GetwBCDDeviceFWVersion
    ListVORNDevices TVXDeviceFirmwareUpgrade)
if(NOT names STREQUAL expected)
  message(FATAL_ERROR "exported: ${names}\nexpected: ${expected}")
endif()
