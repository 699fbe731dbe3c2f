# The line the programs name their verify key with, as expected from the key
# file: OpenSSL's SHA-256 of its DER form, "(development key)" when it is one.
# tvx_expected_key_line(<out> <key file> <ON|OFF development>)
function(tvx_expected_key_line out key_file development)
  execute_process(COMMAND openssl pkey -pubin -in ${key_file} -outform DER
                  COMMAND openssl dgst -sha256 -r
                  OUTPUT_VARIABLE digest RESULT_VARIABLE rc)
  string(REGEX MATCH "^[0-9a-f]+" fingerprint "${digest}")
  string(LENGTH "${fingerprint}" length)
  if(NOT rc EQUAL 0 OR NOT length EQUAL 64)
    message(FATAL_ERROR "openssl could not fingerprint ${key_file}: ${digest}")
  endif()
  set(line "package verify key SHA-256 ${fingerprint}")
  if(development)
    string(APPEND line " (development key)")
  endif()
  set(${out} "${line}" PARENT_SCOPE)
endfunction()
