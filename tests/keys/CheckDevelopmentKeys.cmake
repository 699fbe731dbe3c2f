# The development keys are recognised by what they hold, not by where they
# lie or how their text is laid out: copies under other names and in other
# forms count, fresh keys do not.
# -DWORK=<scratch folder>
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/KeyFiles.cmake)

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
# Copies of the development keys, with other text around them.
file(READ ${TVX_DEVELOPMENT_KEYS_DIR}/package-verify.pem verify_text)
file(WRITE ${WORK}/copied-verify.pem "a copy\n${verify_text}")
# The development verify key in other forms: wrapped at 76 columns with
# CRLF line ends, and as a PKCS#1 "RSA PUBLIC KEY".
tvx_read_verify_key(development_pem ${TVX_DEVELOPMENT_KEYS_DIR}/package-verify.pem)
string(REGEX REPLACE "-----[A-Z ]+-----|\n" "" body "${development_pem}")
set(rewrapped "-----BEGIN PUBLIC KEY-----\r\n")
string(LENGTH "${body}" length)
foreach(start RANGE 0 ${length} 76)
  string(SUBSTRING "${body}" ${start} 76 line)
  if(line)
    string(APPEND rewrapped "${line}\r\n")
  endif()
endforeach()
file(WRITE ${WORK}/rewrapped-verify.pem "${rewrapped}-----END PUBLIC KEY-----\r\n")
execute_process(COMMAND openssl rsa -pubin -in ${TVX_DEVELOPMENT_KEYS_DIR}/package-verify.pem
                        -RSAPublicKey_out -out ${WORK}/pkcs1-verify.pem RESULT_VARIABLE rc ERROR_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "openssl could not write the key in PKCS#1 form")
endif()
foreach(form rewrapped-verify.pem pkcs1-verify.pem)
  tvx_read_verify_key(pem ${WORK}/${form})
  if(NOT pem STREQUAL development_pem)
    message(FATAL_ERROR "${form} is not read as the development key:\n${pem}")
  endif()
endforeach()
file(READ ${TVX_DEVELOPMENT_KEYS_DIR}/content-key.hex content_text)
string(TOUPPER "${content_text}" content_text)
file(WRITE ${WORK}/copied-content.hex "${content_text}")
# A key pair and a content key of a release.
execute_process(COMMAND openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:4096
                        -out ${WORK}/release-signing.pem RESULT_VARIABLE rc1)
execute_process(COMMAND openssl pkey -in ${WORK}/release-signing.pem -pubout
                        -out ${WORK}/release-verify.pem RESULT_VARIABLE rc2)
execute_process(COMMAND openssl rand -hex 32 OUTPUT_FILE ${WORK}/release-content.hex RESULT_VARIABLE rc3)
if(NOT (rc1 EQUAL 0 AND rc2 EQUAL 0 AND rc3 EQUAL 0))
  message(FATAL_ERROR "openssl could not make the release keys")
endif()

foreach(case
    "copied-verify.pem|copied-content.hex|verify key;content key"
    "release-verify.pem|copied-content.hex|content key"
    "copied-verify.pem|release-content.hex|verify key"
    "release-verify.pem|release-content.hex|"
    "rewrapped-verify.pem|release-content.hex|verify key"
    "pkcs1-verify.pem|release-content.hex|verify key")
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 verify_key)
  list(GET fields 1 content_key)
  list(SUBLIST fields 2 -1 expected)
  tvx_development_keys(found ${WORK}/${verify_key} ${WORK}/${content_key})
  if(NOT "${found}" STREQUAL "${expected}")
    message(FATAL_ERROR "${verify_key} + ${content_key}: found '${found}', expected '${expected}'")
  endif()
endforeach()
