# Installation into the standard places, and a Debian package of it (cpack).
include(GNUInstallDirs)

# The installed wizard finds the device library beside it, under any prefix.
set_target_properties(TVXUpgrade PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")

install(TARGETS TVXUpgrade ppu-tool tvx-drive RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS TVXDFUUpgrade LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES
  ${PROJECT_SOURCE_DIR}/dfulib/include/TVXDFUUpgrade.h
  ${PROJECT_SOURCE_DIR}/dfulib/include/TVXPackageEntry.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/tvxupgrade.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The icon the build draws (res/art).
install(FILES ${PROJECT_BINARY_DIR}/res/art/icon.png
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps
  RENAME tvxupgrade.png)
# udev reads lib/udev/rules.d under /usr and /usr/local, never lib64 or a
# multiarch folder.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/70-tvxupgrade.rules
  DESTINATION lib/udev/rules.d)

option(TVX_ALLOW_DEVELOPMENT_KEYS "Let cpack package a build with development keys (marked ~devkeys)" OFF)
get_property(CPACK_TVX_DEVELOPMENT_KEYS GLOBAL PROPERTY TVX_DEVELOPMENT_KEYS)
set(CPACK_TVX_ALLOW_DEVELOPMENT_KEYS ${TVX_ALLOW_DEVELOPMENT_KEYS})
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/CPackDevelopmentKeys.cmake)
# Packages of such a build say so in their file names and versions; "~" sorts
# them before the release of the same version, which therefore replaces them.
if(CPACK_TVX_DEVELOPMENT_KEYS)
  set(CPACK_DEBIAN_PACKAGE_VERSION "${PROJECT_VERSION}~devkeys")
else()
  set(CPACK_DEBIAN_PACKAGE_VERSION "${PROJECT_VERSION}")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tvxupgrade)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "TVXUpgrade developers")
set(CPACK_PACKAGE_CONTACT "TVXUpgrade developers <tvxupgrade@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "firmware upgrade wizard for VORN 400 series USB card terminals")
set(CPACK_PACKAGE_DESCRIPTION
  "A wizard that upgrades the firmware of USB eHealth card terminals of the VORN 400
series from signed, encrypted packages, with its device library libTVXDFUUpgrade
(USB DFU 1.1 and simulated terminals), the package tool ppu-tool, the headless
driver tvx-drive, and a udev rule giving the user at the seat access to the
terminals.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The libraries the programs link, as Debian 12 names its packages.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libqt6widgets6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6core6 (>= 6.4), libssl3 (>= 3.0), libjsonparser1.1, libusb-1.0-0 (>= 2:1.0.20), libudev1, libstdc++6 (>= 12), libc6 (>= 2.34)")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/debian/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
