# ppu-tool --version and the wizard's first line on stderr name the SHA-256
# of the built-in verify key as OpenSSL computes it from the key file, and
# "development key" exactly when it is one.
# -DPPU_TOOL=<ppu-tool> -DWIZARD=<TVXUpgrade> -DVERIFY_KEY=<key file> -DDEVELOPMENT=ON|OFF
cmake_minimum_required(VERSION 3.25)

include(${CMAKE_CURRENT_LIST_DIR}/ExpectedKeyLine.cmake)
tvx_expected_key_line(expected ${VERIFY_KEY} ${DEVELOPMENT})

execute_process(COMMAND ${PPU_TOOL} --version OUTPUT_VARIABLE version RESULT_VARIABLE rc)
string(REGEX REPLACE "^ppu-tool [0-9.]+\n" "" key_line "${version}")
if(NOT rc EQUAL 0 OR NOT key_line STREQUAL "${expected}\n")
  message(FATAL_ERROR "ppu-tool --version: exit ${rc}, expected '${expected}', got:\n${version}")
endif()

# The line comes before the window system is opened; a platform that does not
# exist ends the wizard right after it, without a window to close.
execute_process(COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=no-such-platform
                        TVX_SIMULATOR=demo ${WIZARD}
                ERROR_VARIABLE startup OUTPUT_QUIET TIMEOUT 60)
string(REGEX MATCH "^TVXUpgrade [0-9.]+, [^\n]*" first_line "${startup}")
string(REGEX REPLACE "^TVXUpgrade [0-9.]+, " "" key_line "${first_line}")
if(NOT key_line STREQUAL expected)
  message(FATAL_ERROR "wizard start-up line: expected '${expected}', got:\n${startup}")
endif()
