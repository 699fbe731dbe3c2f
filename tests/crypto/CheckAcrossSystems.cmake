# A package made on one system verifies and decrypts on the other: Linux's
# ppu-tool (OpenSSL) against ppu-tool.exe under Wine (CNG).
#   cmake -DFROM=linux|windows -DHOST_TOOL=<ppu-tool> -DWINDOWS_TOOL=<ppu-tool.exe>
#         -DWINE=<wine> -DDRIVE=Z: -DKEY=<signing key .pem> -DWORK=<folder>
#         [-DFOLDER=<folder in WORK> -DNAME=<package file name>] -P CheckAcrossSystems.cmake
# Both sides sign deterministically (PKCS#1 v1.5) and take the IV from the
# file name, so the same inputs give the same package byte for byte.
cmake_minimum_required(VERSION 3.25)

function(run_tool side)
  if(side STREQUAL "windows")
    set(command ${WINE} ${WINDOWS_TOOL})
    set(prefix ${DRIVE})
  else()
    set(command ${HOST_TOOL})
    set(prefix "")
  endif()
  set(arguments)
  foreach(argument ${ARGN})
    string(REPLACE "@" "${prefix}" argument "${argument}")
    list(APPEND arguments "${argument}")
  endforeach()
  execute_process(COMMAND ${command} ${arguments} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err
                  INPUT_FILE /dev/null)
  set(rc ${rc} PARENT_SCOPE)
  set(out "${out}${err}" PARENT_SCOPE)
endfunction()

# expect(<condition words>... BECAUSE <message>)
function(expect)
  list(FIND ARGN BECAUSE at)
  list(SUBLIST ARGN 0 ${at} condition)
  math(EXPR at "${at} + 1")
  list(SUBLIST ARGN ${at} -1 message)
  if(NOT (${condition}))
    message(FATAL_ERROR ${message})
  endif()
endfunction()

if(FROM STREQUAL "linux")
  set(TO windows)
else()
  set(TO linux)
endif()
# The IV comes from the file name, so the reference has the same name.
if(NOT DEFINED FOLDER)
  set(FOLDER ${FROM})
endif()
if(NOT DEFINED NAME)
  set(NAME fw-4-7-0.ppu)
endif()
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/${FOLDER} ${WORK}/reference)

# The image and catalog come from the host tool; the image's bytes are what
# the other side must decrypt.
run_tool(linux make-image --output ${WORK}/fw.bin --generation 1 --firmware 4.7.0 --loader 1.4.2
         --ident 23456 --size 70000)
expect(rc EQUAL 0 BECAUSE "make-image: ${out}")
file(WRITE ${WORK}/catalog.json "{\"Catalog version\": \"2\", \"Terminal information\": "
     "{\"Terminal type\": \"470\"}, \"File list\": [{\"File name\": \"fw.bin\", \"Type\": \"Firmware\"}]}")
file(SHA256 ${WORK}/fw.bin image_sha256)

set(package ${WORK}/${FOLDER}/${NAME})
run_tool(${FROM} pack --catalog @${WORK}/catalog.json --key @${KEY} --output @${package} @${WORK}/fw.bin)
expect(rc EQUAL 0 BECAUSE "${FROM} pack: ${out}")
run_tool(linux pack --catalog ${WORK}/catalog.json --key ${KEY} --output ${WORK}/reference/${NAME}
         ${WORK}/fw.bin)
expect(rc EQUAL 0 BECAUSE "reference pack: ${out}")
file(SHA256 ${package} made)
file(SHA256 ${WORK}/reference/${NAME} reference)
expect(made STREQUAL reference BECAUSE "the ${FROM} package differs from the Linux one of the same inputs")

run_tool(${TO} verify @${package})
expect(rc EQUAL 0 BECAUSE "${TO} verify of the ${FROM} package: ${out}")
run_tool(${TO} inspect @${package})
expect(rc EQUAL 0 BECAUSE "${TO} inspect of the ${FROM} package: ${out}")
string(REGEX MATCH "sha256: +([0-9a-f]+)" found "${out}")
expect(CMAKE_MATCH_1 STREQUAL image_sha256 BECAUSE "${TO} decrypts the part to ${CMAKE_MATCH_1}, not ${image_sha256}:\n${out}")

# One changed byte in the signed part, and the other side refuses it.
set(tampered ${WORK}/tampered/${NAME})
file(MAKE_DIRECTORY ${WORK}/tampered)
file(COPY_FILE ${package} ${tampered})
file(READ ${tampered} byte OFFSET 1200 LIMIT 1 HEX)
if(byte STREQUAL "00")
  set(other "\\377")
else()
  set(other "\\000")
endif()
execute_process(COMMAND sh -c "printf '${other}' | dd of='${tampered}' bs=1 seek=1200 conv=notrunc status=none"
                RESULT_VARIABLE rc)
file(READ ${tampered} changed OFFSET 1200 LIMIT 1 HEX)
expect(rc EQUAL 0 AND NOT changed STREQUAL byte BECAUSE "cannot change a byte of ${tampered}")
run_tool(${TO} verify @${tampered})
expect(NOT rc EQUAL 0 BECAUSE "${TO} verify took a changed ${FROM} package: ${out}")
