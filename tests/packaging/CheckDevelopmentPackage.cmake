# Another program links the device library as its development package
# offers it, by pkg-config and by find_package, and runs against the library
# package: both unpacked into a scratch root as dpkg would lay them out.
# -DDEBS=<folder of .deb files> -DWORK=<scratch folder> -DLIBDIR=<lib folder>
# -DCC=<C compiler> -DSOURCE=<this folder>
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE ${WORK})
set(root ${WORK}/root)
file(MAKE_DIRECTORY ${root} ${WORK}/probe)
file(GLOB debs ${DEBS}/libtvxdfuupgrade1_*.deb ${DEBS}/libtvxdfuupgrade-dev_*.deb)
list(LENGTH debs count)
if(NOT count EQUAL 2)
  message(FATAL_ERROR "library and development packages not found in ${DEBS}: ${debs}")
endif()
foreach(deb ${debs})
  execute_process(COMMAND dpkg-deb -x ${deb} ${root} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "dpkg-deb -x ${deb} failed")
  endif()
endforeach()
configure_file(${SOURCE}/probe.c ${WORK}/probe/probe.c COPYONLY)
configure_file(${SOURCE}/probe-CMakeLists.txt ${WORK}/probe/CMakeLists.txt COPYONLY)

# Runs a probe on the simulated terminals against the unpacked library.
function(run_probe program how)
  set(env ${CMAKE_COMMAND} -E env TVX_SIMULATOR=demo LD_LIBRARY_PATH=${root}/usr/${LIBDIR})
  execute_process(COMMAND ${env} ${program}
                  OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE rc)
  execute_process(COMMAND ${env} ldd ${program} OUTPUT_VARIABLE linked)
  if(NOT rc EQUAL 0 OR NOT linked MATCHES "libTVXDFUUpgrade\\.so\\.1 => ${root}/")
    message(FATAL_ERROR "probe linked by ${how}: exit ${rc}, said: ${output}\nldd:\n${linked}")
  endif()
endfunction()

# pkg-config, seeing only the unpacked root.
execute_process(COMMAND ${CMAKE_COMMAND} -E env PKG_CONFIG_LIBDIR=${root}/usr/${LIBDIR}/pkgconfig
                        pkg-config --cflags --libs tvxdfuupgrade
                OUTPUT_VARIABLE flags ERROR_VARIABLE errors RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "pkg-config tvxdfuupgrade: ${errors}")
endif()
separate_arguments(flags UNIX_COMMAND "${flags}")
execute_process(COMMAND ${CC} ${WORK}/probe/probe.c ${flags} -o ${WORK}/probe-pkg-config
                ERROR_VARIABLE errors RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "compiling with pkg-config's flags ${flags}: ${errors}")
endif()
run_probe(${WORK}/probe-pkg-config pkg-config)

# find_package, with the unpacked root as the only prefix to search.
execute_process(COMMAND ${CMAKE_COMMAND} -S ${WORK}/probe -B ${WORK}/probe-build
                        -DCMAKE_C_COMPILER=${CC} -DCMAKE_PREFIX_PATH=${root}/usr
                        -DCMAKE_FIND_USE_SYSTEM_PACKAGE_REGISTRY=OFF
                OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE rc)
if(rc EQUAL 0)
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK}/probe-build
                  OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE rc)
endif()
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "probe by find_package:\n${output}")
endif()
run_probe(${WORK}/probe-build/probe find_package)
