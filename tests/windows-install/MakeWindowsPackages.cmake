# cpack makes the Windows zip and, from its files, the installer. A build
# with development keys is refused unless allowed, and then marked
# "devkeys"; the zip holds exactly what a technician needs, never tvx-drive.
# -DBUILD=<build folder> -DWORK=<folder for the packages> -DVERSION=<version>
# -DDEVELOPMENT_KEYS=<which ones> -DPROGRAMS=<the .exe files it ships>
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE ${WORK})
set(name TVXUpgrade-${VERSION}-win64)
if(DEVELOPMENT_KEYS)
  execute_process(COMMAND cpack -B ${WORK}/refused WORKING_DIRECTORY ${BUILD}
                  OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE rc)
  file(GLOB made ${WORK}/refused/*.zip ${WORK}/refused/*.exe)
  if(rc EQUAL 0 OR made OR NOT output MATCHES "-DTVX_ALLOW_DEVELOPMENT_KEYS=ON")
    message(FATAL_ERROR "cpack with development keys: exit ${rc}, made '${made}', said:\n${output}")
  endif()
  set(allow -D TVX_ALLOW_DEVELOPMENT_KEYS=ON)
  set(name TVXUpgrade-${VERSION}-devkeys-win64)
endif()

execute_process(COMMAND cpack -B ${WORK} ${allow} WORKING_DIRECTORY ${BUILD}
                OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE rc)
file(GLOB made RELATIVE ${WORK} ${WORK}/*.zip ${WORK}/*.exe)
list(SORT made)
if(NOT rc EQUAL 0 OR NOT made STREQUAL "${name}-setup.exe;${name}.zip")
  message(FATAL_ERROR "cpack ${allow}: exit ${rc}, made '${made}', expected ${name}.zip "
    "and ${name}-setup.exe; said:\n${output}")
endif()

execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf ${WORK}/${name}.zip OUTPUT_VARIABLE listing)
string(REGEX MATCHALL "[^\n]+" contents "${listing}")
list(SORT contents)
set(expected LICENSE.txt README.txt TVXDFUUpgrade.dll ${PROGRAMS})
list(TRANSFORM expected PREPEND ${name}/)
list(SORT expected)
if(NOT contents STREQUAL expected)
  message(FATAL_ERROR "${name}.zip holds\n  ${contents}\nexpected\n  ${expected}")
endif()
