# What another program needs to link the device library: the headers, a
# pkg-config file and a CMake package, all found relative to where they are
# installed, so that they serve under any prefix (and in a package's tree).
include(CMakePackageConfigHelpers)

install(FILES
  ${PROJECT_SOURCE_DIR}/dfulib/include/TVXDFUUpgrade.h
  ${PROJECT_SOURCE_DIR}/dfulib/include/TVXPackageEntry.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)

set(pkgconfig_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
file(RELATIVE_PATH TVX_PREFIX_FROM_PKGCONFIG /${pkgconfig_dir} /)
configure_file(${PROJECT_SOURCE_DIR}/packaging/tvxdfuupgrade.pc.in
  ${PROJECT_BINARY_DIR}/packaging/tvxdfuupgrade.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/packaging/tvxdfuupgrade.pc
  DESTINATION ${pkgconfig_dir} COMPONENT development)

set(cmake_package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/TVXDFUUpgrade)
file(RELATIVE_PATH TVX_PREFIX_FROM_CMAKE_PACKAGE /${cmake_package_dir} /)
configure_file(${PROJECT_SOURCE_DIR}/packaging/TVXDFUUpgradeConfig.cmake.in
  ${PROJECT_BINARY_DIR}/packaging/TVXDFUUpgradeConfig.cmake @ONLY)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/packaging/TVXDFUUpgradeConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES
  ${PROJECT_BINARY_DIR}/packaging/TVXDFUUpgradeConfig.cmake
  ${PROJECT_BINARY_DIR}/packaging/TVXDFUUpgradeConfigVersion.cmake
  DESTINATION ${cmake_package_dir} COMPONENT development)
