# ppu-tool --version and the wizard's first line on stderr name the SHA-256
# of the built-in verify key as OpenSSL computes it from the key file, and
# "development key" exactly when it is one.
# -DPPU_TOOL=<ppu-tool> -DWIZARD=<TVXUpgrade> -DVERIFY_KEY=<key file> -DDEVELOPMENT=ON|OFF
cmake_minimum_required(VERSION 3.25)

execute_process(COMMAND openssl pkey -pubin -in ${VERIFY_KEY} -outform DER
                COMMAND openssl dgst -sha256 -r
                OUTPUT_VARIABLE digest RESULT_VARIABLE rc)
string(REGEX MATCH "^[0-9a-f]+" fingerprint "${digest}")
string(LENGTH "${fingerprint}" length)
if(NOT rc EQUAL 0 OR NOT length EQUAL 64)
  message(FATAL_ERROR "openssl could not fingerprint ${VERIFY_KEY}: ${digest}")
endif()
set(expected "package verify key SHA-256 ${fingerprint}")
if(DEVELOPMENT)
  string(APPEND expected " (development key)")
endif()

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
