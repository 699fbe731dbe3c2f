# Installs the build into a scratch prefix and runs the installed programs.
# -DBUILD=<build folder> -DPREFIX=<scratch prefix> -DLIBDIR=<lib folder name>
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX}
                OUTPUT_QUIET RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed with ${rc}")
endif()

foreach(file
    bin/TVXUpgrade bin/ppu-tool bin/tvx-drive ${LIBDIR}/libTVXDFUUpgrade.so
    include/TVXDFUUpgrade.h include/TVXPackageEntry.h
    share/applications/tvxupgrade.desktop
    share/icons/hicolor/256x256/apps/tvxupgrade.png
    share/icons/hicolor/scalable/apps/tvxupgrade.svg
    share/metainfo/com.example.tvxupgrade.metainfo.xml
    ${LIBDIR}/pkgconfig/tvxdfuupgrade.pc
    ${LIBDIR}/cmake/TVXDFUUpgrade/TVXDFUUpgradeConfig.cmake
    lib/udev/rules.d/70-tvxupgrade.rules
    share/man/man1/TVXUpgrade.1.gz share/man/man1/ppu-tool.1.gz share/man/man1/tvx-drive.1.gz)
  if(NOT EXISTS ${PREFIX}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

# The rule opens the terminals to the user at the seat and to plugdev.
file(READ ${PREFIX}/lib/udev/rules.d/70-tvxupgrade.rules rule)
foreach(grant "TAG\\+=\"uaccess\"" "GROUP=\"plugdev\"" "MODE=\"0660\"")
  if(NOT rule MATCHES "ATTR{idVendor}==\"0d7b\"[^\n]*${grant}")
    message(FATAL_ERROR "the installed udev rule lacks ${grant}:\n${rule}")
  endif()
endforeach()

# Run from elsewhere, so that nothing of the build tree is at hand.
set(elsewhere ${PREFIX}/run)
file(MAKE_DIRECTORY ${elsewhere})

execute_process(COMMAND ${PREFIX}/bin/ppu-tool --help WORKING_DIRECTORY ${elsewhere}
                OUTPUT_VARIABLE help RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT help MATCHES "make-image")
  message(FATAL_ERROR "installed ppu-tool --help: exit ${rc}, output:\n${help}")
endif()

file(WRITE ${elsewhere}/state.script "state\n")
execute_process(COMMAND ${PREFIX}/bin/tvx-drive --scenario demo --lang en state.script
                WORKING_DIRECTORY ${elsewhere} OUTPUT_VARIABLE transcript RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT transcript MATCHES "\"deviceRows\":\\[\\[\"1\",\"VORN 470 M online")
  message(FATAL_ERROR "installed tvx-drive: exit ${rc}, output:\n${transcript}")
endif()

# The wizard must take the device library from the prefix, not the build.
execute_process(COMMAND ldd ${PREFIX}/bin/TVXUpgrade OUTPUT_VARIABLE linked RESULT_VARIABLE rc)
string(REGEX MATCH "libTVXDFUUpgrade\\.so\\.1 => [^\n]*" resolved "${linked}")
if(NOT rc EQUAL 0 OR NOT resolved MATCHES "=> ${PREFIX}/bin/\\.\\./${LIBDIR}/libTVXDFUUpgrade\\.so\\.1 ")
  message(FATAL_ERROR "installed TVXUpgrade links '${resolved}'")
endif()
