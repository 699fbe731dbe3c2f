# The development keys are recognised by what they hold, not by where they
# lie: copies under other names count, fresh keys do not.
# -DWORK=<scratch folder>
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/KeyFiles.cmake)

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
# Copies of the development keys, with other text around them.
file(READ ${TVX_DEVELOPMENT_KEYS_DIR}/package-verify.pem verify_text)
file(WRITE ${WORK}/copied-verify.pem "a copy\n${verify_text}")
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
    "release-verify.pem|release-content.hex|")
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 verify_key)
  list(GET fields 1 content_key)
  list(SUBLIST fields 2 -1 expected)
  tvx_development_keys(found ${WORK}/${verify_key} ${WORK}/${content_key})
  if(NOT "${found}" STREQUAL "${expected}")
    message(FATAL_ERROR "${verify_key} + ${content_key}: found '${found}', expected '${expected}'")
  endif()
endforeach()
