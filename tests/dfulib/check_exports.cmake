# Fails unless the shared library exports exactly the six library functions.
# LISTING is the command that lists them: nm -D --defined-only for an ELF
# library, objdump -p for a DLL (its export name table).
execute_process(COMMAND ${LISTING} ${LIBRARY}
                OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${LISTING} failed on ${LIBRARY}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${symbols}")
set(names)
if(LIBRARY MATCHES "\\.dll$")
  string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n(\t\\[ *[0-9]+\\] [^\n]+\n)*" table "${symbols}")
  string(REGEX MATCHALL "\t\\[ *[0-9]+\\] [^\n]+" entries "${table}")
  foreach(entry ${entries})
    string(REGEX REPLACE "^\t\\[ *[0-9]+\\] " "" name "${entry}")
    list(APPEND names ${name})
  endforeach()
else()
  foreach(line ${lines})
    string(REGEX REPLACE "^[0-9a-fA-F ]* [A-Za-z] " "" name "${line}")
    list(APPEND names ${name})
  endforeach()
endif()
list(SORT names)
set(expected ConfigurationChange GetDFUAttributes GetUpgradeStatus GetwBCDDeviceFWVersion
    ListVORNDevices TVXDeviceFirmwareUpgrade)
if(NOT names STREQUAL expected)
  message(FATAL_ERROR "exported: ${names}\nexpected: ${expected}")
endif()
