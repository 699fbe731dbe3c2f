# What a Windows technician installs: one folder with the wizard, the device
# library beside it (where Windows looks first for a program's DLLs),
# ppu-tool, a README and the licence. cpack makes it into a zip, and then an
# installer of the same files (MakeInstaller.cmake, makensis). tvx-drive, the
# headless driver for tests, ships in neither, as on Linux. A program not
# built here is left out.
foreach(program TVXUpgrade ppu-tool)
  if(program IN_LIST TVX_WINDOWS_BINARIES)
    install(TARGETS ${program} RUNTIME DESTINATION .)
  endif()
endforeach()
# Only the DLL: its import library is for developers.
install(TARGETS TVXDFUUpgrade RUNTIME DESTINATION .
  ARCHIVE DESTINATION lib COMPONENT development EXCLUDE_FROM_ALL)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/windows/README.txt DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)

# A build with a development key makes no package unless allowed, and its
# packages say so in their names (CPackDevelopmentKeys.cmake, as on Linux).
option(TVX_ALLOW_DEVELOPMENT_KEYS "Let cpack package a build with development keys (marked devkeys)" OFF)
get_property(CPACK_TVX_DEVELOPMENT_KEYS GLOBAL PROPERTY TVX_DEVELOPMENT_KEYS)
set(CPACK_TVX_ALLOW_DEVELOPMENT_KEYS ${TVX_ALLOW_DEVELOPMENT_KEYS})
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/CPackDevelopmentKeys.cmake)
set(CPACK_TVX_DISPLAY_NAME ${PROJECT_NAME})
if(CPACK_TVX_DEVELOPMENT_KEYS)
  set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-devkeys-win64)
  string(APPEND CPACK_TVX_DISPLAY_NAME " (development keys)")
else()
  set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-win64)
endif()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "TVXUpgrade developers")
set(CPACK_STRIP_FILES ON)
set(CPACK_TVX_KEY_DESCRIPTION "${TVX_RC_KEY_DESCRIPTION}")
set(CPACK_TVX_NSIS_SCRIPT ${PROJECT_SOURCE_DIR}/packaging/windows/TVXUpgrade.nsi)
find_program(TVX_MAKENSIS makensis REQUIRED)
set(CPACK_TVX_MAKENSIS ${TVX_MAKENSIS})
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/MakeInstaller.cmake)
include(CPack)
