# Install folders. On a multiarch system (Debian) libraries, their pkg-config
# files and CMake packages go to lib/<triplet>, where the dynamic loader,
# pkg-config and find_package look for them under /usr and /usr/local alike.
if(CMAKE_LIBRARY_ARCHITECTURE AND NOT DEFINED CACHE{CMAKE_INSTALL_LIBDIR})
  set(CMAKE_INSTALL_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE}
      CACHE PATH "Object code libraries (lib/<triplet> on multiarch systems)")
endif()
include(GNUInstallDirs)
