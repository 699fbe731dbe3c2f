# A Windows binary's file properties, read back by Windows itself
# (VersionInfoReader under Wine), carry the project's version and name the
# verify key as the key file says; a program's --version says the same.
# -DWINE=<emulator> -DREADER=<VersionInfoReader.exe> -DBINARY=<file>
# -DVERSION=<project version> -DVERIFY_KEY=<key file> -DDEVELOPMENT=ON|OFF
# -DPROGRAM=<name --version prints, empty for a DLL>
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/../keys/ExpectedKeyLine.cmake)
tvx_expected_key_line(key_line ${VERIFY_KEY} ${DEVELOPMENT})
get_filename_component(file_name ${BINARY} NAME)

execute_process(COMMAND ${WINE} ${READER} Z:${BINARY}
                OUTPUT_VARIABLE properties ERROR_VARIABLE error RESULT_VARIABLE rc)
string(REPLACE "\r" "" properties "\n${properties}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${file_name}: no file properties (exit ${rc}): ${error}")
endif()
if(PROGRAM)
  set(type app)
else()
  set(type dll)
endif()
set(expected
  "FixedFileVersion=${VERSION}" "FixedProductVersion=${VERSION}" "FileType=${type}"
  "FileVersion=${VERSION}" "ProductVersion=${VERSION}" "ProductName=TVXUpgrade"
  "OriginalFilename=${file_name}" "Comments=${key_line}")
if(NOT PROGRAM)
  list(APPEND expected "Loads=yes")
endif()
foreach(line IN LISTS expected)
  string(FIND "${properties}" "\n${line}\n" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "${file_name}: expected '${line}' among its properties:\n${properties}")
  endif()
endforeach()

if(PROGRAM)
  execute_process(COMMAND ${WINE} ${BINARY} --version
                  OUTPUT_VARIABLE version ERROR_VARIABLE error RESULT_VARIABLE rc)
  # The C runtime writes text mode on Windows: CR LF.
  string(REPLACE "\r\n" "\n" version "${version}")
  if(NOT rc EQUAL 0 OR NOT version STREQUAL "${PROGRAM} ${VERSION}\n${key_line}\n")
    message(FATAL_ERROR "${file_name} --version: exit ${rc}, expected\n"
      "${PROGRAM} ${VERSION}\n${key_line}\ngot:\n${version}${error}")
  endif()
endif()
