# cpack makes no package of a build with development keys unless
# TVX_ALLOW_DEVELOPMENT_KEYS is on, and then marks its version "~devkeys";
# a build with keys of its own packages plainly.
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

execute_process(COMMAND cpack -B ${WORK}/made ${allow} WORKING_DIRECTORY ${BUILD}
                OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE rc)
file(GLOB made RELATIVE ${WORK}/made ${WORK}/made/*.deb)
if(NOT rc EQUAL 0 OR NOT made)
  message(FATAL_ERROR "cpack ${allow}: exit ${rc}, said:\n${output}")
endif()
foreach(deb ${made})
  execute_process(COMMAND dpkg-deb --field ${WORK}/made/${deb} Version OUTPUT_VARIABLE version)
  string(STRIP "${version}" version)
  if(mark AND NOT (deb MATCHES "_[^_]*~devkeys[^_]*_" AND version MATCHES "~devkeys"))
    message(FATAL_ERROR "${deb} (version ${version}) is not marked as a development package")
  endif()
  if(NOT mark AND (deb MATCHES "devkeys" OR version MATCHES "devkeys"))
    message(FATAL_ERROR "${deb} (version ${version}) is marked as a development package")
  endif()
endforeach()
