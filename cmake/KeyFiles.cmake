# Reading the key files a build embeds, and telling the development keys of
# res/keys/development from others by content, so that a copy of them under
# another name is still recognised.

set(TVX_DEVELOPMENT_KEYS_DIR ${CMAKE_CURRENT_LIST_DIR}/../res/keys/development)

# The PEM block of an RSA-4096 public key file, alone (text around it, such as
# a marking line, is dropped); in SubjectPublicKeyInfo form it is exactly 800
# characters.
function(tvx_read_verify_key out file)
  file(READ ${file} text)
  string(REGEX MATCH "-----BEGIN PUBLIC KEY-----\n[A-Za-z0-9+/=\n]+-----END PUBLIC KEY-----\n"
    pem "${text}")
  string(LENGTH "${pem}" length)
  if(NOT length EQUAL 800)
    message(FATAL_ERROR "${file}: expected an RSA-4096 PUBLIC KEY PEM block of "
      "800 characters, found ${length}")
  endif()
  set(${out} "${pem}" PARENT_SCOPE)
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
  tvx_read_verify_key(verify_key ${verify_key_file})
  tvx_read_verify_key(development_verify_key ${TVX_DEVELOPMENT_KEYS_DIR}/package-verify.pem)
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
