# Reading the key files a build embeds, and telling the development keys of
# res/keys/development from others by the keys they hold, so that a copy of
# them under another name or in another form is still recognised.

set(TVX_DEVELOPMENT_KEYS_DIR ${CMAKE_CURRENT_LIST_DIR}/../res/keys/development)

find_program(TVX_OPENSSL_PROGRAM openssl REQUIRED)

# The RSA-4096 public key of a file, as the PEM block of its DER
# SubjectPublicKeyInfo that openssl writes: the same text for the same key,
# whatever wrapping, line ends, text around it or form ("PUBLIC KEY" or
# "RSA PUBLIC KEY") the file has. It is exactly 800 characters.
function(tvx_read_verify_key out file)
  execute_process(COMMAND ${TVX_OPENSSL_PROGRAM} pkey -pubin -in ${file} -outform PEM
                  OUTPUT_VARIABLE pem ERROR_VARIABLE error RESULT_VARIABLE rc)
  string(LENGTH "${pem}" length)
  if(NOT rc EQUAL 0 OR NOT length EQUAL 800)
    message(FATAL_ERROR "${file}: expected an RSA-4096 public key in PEM form: ${error}")
  endif()
  set(${out} "${pem}" PARENT_SCOPE)
endfunction()

# The SHA-256 of a public key file's DER SubjectPublicKeyInfo, as people
# compare keys (`openssl pkey -pubin -outform DER | sha256sum`).
function(tvx_verify_key_sha256 out file)
  execute_process(COMMAND ${TVX_OPENSSL_PROGRAM} pkey -pubin -in ${file} -outform DER
                  COMMAND ${TVX_OPENSSL_PROGRAM} dgst -sha256 -r
                  OUTPUT_VARIABLE digest ERROR_VARIABLE error RESULTS_VARIABLE results)
  string(REGEX MATCH "^[0-9a-f]+" sha256 "${digest}")
  string(LENGTH "${sha256}" length)
  if(NOT results STREQUAL "0;0" OR NOT length EQUAL 64)
    message(FATAL_ERROR "${file}: not a public key openssl reads: ${error}")
  endif()
  set(${out} ${sha256} PARENT_SCOPE)
endfunction()

# The 64 hex digits of a content key file, in lower case; lines starting
# with '#' are comments.
function(tvx_read_content_key out file)
  file(STRINGS ${file} lines REGEX "^[^#]")
  string(REGEX REPLACE "[ \t\r]" "" hex "${lines}")
  if(NOT hex MATCHES "^[0-9A-Fa-f]+$")
    message(FATAL_ERROR "${file}: expected 64 hex digits")
  endif()
  string(LENGTH "${hex}" length)
  if(NOT length EQUAL 64)
    message(FATAL_ERROR "${file}: expected 64 hex digits, found ${length}")
  endif()
  string(TOLOWER "${hex}" hex)
  set(${out} "${hex}" PARENT_SCOPE)
endfunction()

# Which of the two keys are the development ones: a list of "verify key"
# and "content key", empty for a build with keys of its own.
function(tvx_development_keys out verify_key_file content_key_file)
  set(found "")
  # By the key itself: a copy of the development key in another form is
  # still the development key.
  tvx_verify_key_sha256(verify_key ${verify_key_file})
  tvx_verify_key_sha256(development_verify_key ${TVX_DEVELOPMENT_KEYS_DIR}/package-verify.pem)
  if(verify_key STREQUAL development_verify_key)
    list(APPEND found "verify key")
  endif()
  tvx_read_content_key(content_key ${content_key_file})
  tvx_read_content_key(development_content_key ${TVX_DEVELOPMENT_KEYS_DIR}/content-key.hex)
  if(content_key STREQUAL development_content_key)
    list(APPEND found "content key")
  endif()
  set(${out} "${found}" PARENT_SCOPE)
endfunction()
