# Installation into the standard places by component, and Debian packages of
# them (cpack), one per use:
#   tvxupgrade            wizard    the wizard, its desktop entry, metadata, icons
#   libtvxdfuupgrade1     library   the device library and the terminals' udev rule
#   libtvxdfuupgrade-dev  development  its headers, pkg-config file, CMake package
#   tvxupgrade-tools      tools     ppu-tool
# tvx-drive (component driver), the headless driver for tests: cmake --install
# installs it, no package ships it.

# The library's ABI version; raise it with any incompatible change of
# TVXDFUUpgrade.h, and the library package's name with it.
set(TVX_LIBRARY_SOVERSION 1)
set_target_properties(TVXDFUUpgrade PROPERTIES
  VERSION ${TVX_LIBRARY_SOVERSION}.0.0 SOVERSION ${TVX_LIBRARY_SOVERSION})

# The installed wizard finds the device library beside it, under any prefix.
file(RELATIVE_PATH libdir_from_bindir /${CMAKE_INSTALL_BINDIR} /${CMAKE_INSTALL_LIBDIR})
set_target_properties(TVXUpgrade PROPERTIES INSTALL_RPATH "$ORIGIN/${libdir_from_bindir}")

install(TARGETS TVXUpgrade RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT wizard)
install(TARGETS ppu-tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
install(TARGETS tvx-drive RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT driver)
install(TARGETS TVXDFUUpgrade LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  COMPONENT library NAMELINK_COMPONENT development)
include(${CMAKE_CURRENT_LIST_DIR}/LibraryDevelopmentFiles.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/ManPageInstall.cmake)
tvx_install_man_page(TVXUpgrade wizard)
tvx_install_man_page(ppu-tool tools)
tvx_install_man_page(tvx-drive driver)

# What the desktop knows the wizard by: its entry, its metadata for software
# centres (which offer it when a VORN terminal is plugged in) and the icon
# the build draws (res/art) at the theme's sizes and as SVG.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/tvxupgrade.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT wizard)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/com.example.tvxupgrade.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT wizard)
install(DIRECTORY ${PROJECT_BINARY_DIR}/res/art/hicolor
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons COMPONENT wizard)
# udev reads lib/udev/rules.d under /usr and /usr/local, never lib64 or a
# multiarch folder. The rule serves every program of the library.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/70-tvxupgrade.rules
  DESTINATION lib/udev/rules.d COMPONENT library)

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
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(TVX_DEBIAN_VERSION ${CPACK_DEBIAN_PACKAGE_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})

# What every package carries: in /usr/share/doc/<package> the copyright in
# machine-readable form and the Debian changelog, compressed as policy asks;
# the lintian overrides, each with its reason.
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in
  ${PROJECT_BINARY_DIR}/packaging/changelog.Debian @ONLY)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz
  COMMAND gzip -9nkf ${PROJECT_BINARY_DIR}/packaging/changelog.Debian
  DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog.Debian
  COMMENT "Compressing the Debian changelog")
add_custom_target(debian-changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz)

# tvx_debian_package(COMPONENT NAME SECTION SUMMARY DESCRIPTION)
function(tvx_debian_package component name section summary description)
  string(TOUPPER ${component} key)
  set(CPACK_DEBIAN_${key}_PACKAGE_NAME ${name} PARENT_SCOPE)
  set(CPACK_DEBIAN_${key}_PACKAGE_SECTION ${section} PARENT_SCOPE)
  set(CPACK_DEBIAN_${key}_DESCRIPTION "${summary}\n${description}" PARENT_SCOPE)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright
                ${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${name} COMPONENT ${component})
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/lintian-overrides
    DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME ${name} COMPONENT ${component})
endfunction()

tvx_debian_package(wizard tvxupgrade utils
  "firmware upgrade wizard for VORN 400 series USB card terminals"
  "A wizard that upgrades the firmware of USB eHealth card terminals of the
VORN 400 series (VORN 470 M online, VORN 460 M) from signed, encrypted
firmware packages: it checks a package against the terminal, may read the
current firmware back into a backup file, and writes each part over USB DFU,
following the terminal through its restarts.")
tvx_debian_package(library libtvxdfuupgrade${TVX_LIBRARY_SOVERSION} libs
  "device library of TVXUpgrade for VORN card terminals"
  "libTVXDFUUpgrade lists VORN card terminals, reads their versions and writes
firmware parts to them over USB DFU 1.1; it can also serve simulated
terminals. The package holds the udev rule that gives the user logged in at
the seat access to the terminals.")
tvx_debian_package(development libtvxdfuupgrade-dev libdevel
  "device library of TVXUpgrade for VORN card terminals - development files"
  "The headers of libTVXDFUUpgrade, with a pkg-config file (tvxdfuupgrade) and
a CMake package (find_package(TVXDFUUpgrade), target
TVXDFUUpgrade::TVXDFUUpgrade) to link programs with it.")
tvx_debian_package(tools tvxupgrade-tools utils
  "package tool for TVXUpgrade firmware packages"
  "ppu-tool makes part images and signed, encrypted firmware packages for the
TVXUpgrade wizard, and inspects and verifies packages with the same reader
the wizard loads them with.")

set(CPACK_DEBIAN_LIBRARY_PACKAGE_CONTROL_EXTRA
  "${PROJECT_SOURCE_DIR}/packaging/debian/postinst;${PROJECT_SOURCE_DIR}/packaging/debian/postrm;${PROJECT_SOURCE_DIR}/packaging/debian/triggers")
# Qt's own translations give its stock buttons and file dialogs in German and French.
set(CPACK_DEBIAN_WIZARD_PACKAGE_RECOMMENDS "fonts-dejavu-core, qt6-translations-l10n")

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL wizard library development tools)
set(CPACK_PACKAGE_NAME tvxupgrade)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "TVXUpgrade developers")
set(CPACK_PACKAGE_CONTACT "TVXUpgrade developers <dev@tvxupgrade.example.com>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Dependencies on system libraries as dpkg-shlibdeps finds them; between our
# packages, the exact version.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/dfulib)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
cpack_add_component(library)
cpack_add_component(wizard DEPENDS library)
cpack_add_component(development DEPENDS library)
cpack_add_component(tools)
