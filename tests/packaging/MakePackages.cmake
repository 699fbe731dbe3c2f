# Makes the Debian packages of the build into WORK/debs. cpack makes none of a
# build with development keys unless TVX_ALLOW_DEVELOPMENT_KEYS is on, and
# then marks their versions "~devkeys"; a build with keys of its own packages
# plainly. The packages are exactly the four of the split: tvx-drive is in none.
# -DBUILD=<build folder> -DWORK=<scratch folder> -DDEVELOPMENT_KEYS=<which ones>
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
if(DEVELOPMENT_KEYS)
  execute_process(COMMAND cpack -B ${WORK}/refused WORKING_DIRECTORY ${BUILD}
                  OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE rc)
  file(GLOB made ${WORK}/refused/*.deb)
  if(rc EQUAL 0 OR made OR NOT output MATCHES "-DTVX_ALLOW_DEVELOPMENT_KEYS=ON")
    message(FATAL_ERROR "cpack with development keys: exit ${rc}, made '${made}', said:\n${output}")
  endif()
  set(allow -D TVX_ALLOW_DEVELOPMENT_KEYS=ON)
  set(mark "~devkeys")
endif()

execute_process(COMMAND cpack -B ${WORK}/cpack ${allow} WORKING_DIRECTORY ${BUILD}
                OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE rc)
file(GLOB made ${WORK}/cpack/*.deb)
if(NOT rc EQUAL 0 OR NOT made)
  message(FATAL_ERROR "cpack ${allow}: exit ${rc}, said:\n${output}")
endif()
file(MAKE_DIRECTORY ${WORK}/debs)
file(COPY ${made} DESTINATION ${WORK}/debs)

set(names "")
foreach(deb ${made})
  get_filename_component(file_name ${deb} NAME)
  execute_process(COMMAND dpkg-deb --field ${deb} Package Version OUTPUT_VARIABLE fields)
  string(REGEX MATCH "Package: ([^\n]*)" ignored "${fields}")
  list(APPEND names ${CMAKE_MATCH_1})
  string(REGEX MATCH "Version: ([^\n]*)" ignored "${fields}")
  set(version ${CMAKE_MATCH_1})
  if(mark AND NOT (file_name MATCHES "_[^_]*~devkeys[^_]*_" AND version MATCHES "~devkeys"))
    message(FATAL_ERROR "${file_name} (version ${version}) is not marked as a development package")
  endif()
  if(NOT mark AND (file_name MATCHES "devkeys" OR version MATCHES "devkeys"))
    message(FATAL_ERROR "${file_name} (version ${version}) is marked as a development package")
  endif()
  execute_process(COMMAND dpkg-deb --contents ${deb} OUTPUT_VARIABLE contents)
  if(contents MATCHES "tvx-drive")
    message(FATAL_ERROR "${file_name} ships tvx-drive:\n${contents}")
  endif()
endforeach()
list(SORT names)
if(NOT names STREQUAL "libtvxdfuupgrade-dev;libtvxdfuupgrade1;tvxupgrade;tvxupgrade-tools")
  message(FATAL_ERROR "packages made: ${names}")
endif()
