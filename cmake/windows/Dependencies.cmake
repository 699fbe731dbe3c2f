# What a Windows build finds in place of Debian's packages: json-parser and
# libusb compiled from their Debian source packages, GoogleTest from
# /usr/src/googletest. Qt, OpenSSL and libudev have no Windows form here yet,
# so the parts that need them are left out of a Windows build.
# Programs find the DLLs they load beside them.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

include(${CMAKE_CURRENT_LIST_DIR}/JsonParser.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/Libusb.cmake)
find_package(Threads REQUIRED)

# nlohmann/json is headers only: Debian's, copied apart from the rest of
# /usr/include so that no header of this machine's C library is reached.
set(TVX_NLOHMANN_JSON_INCLUDE /usr/include/nlohmann CACHE PATH "nlohmann/json headers (Debian: nlohmann-json3-dev)")
set(nlohmann_include ${CMAKE_BINARY_DIR}/deps/nlohmann/include)
file(COPY ${TVX_NLOHMANN_JSON_INCLUDE} DESTINATION ${nlohmann_include})
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED GLOBAL)
target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${nlohmann_include})

if(TVX_BUILD_TESTS)
  enable_testing()
  # Test executables list their tests under Wine when ctest runs, in the Wine
  # prefix the test script prepares, rather than at build time.
  set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
  set(TVX_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources (Debian: googletest)")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(${TVX_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/deps/googletest EXCLUDE_FROM_ALL)
endif()

# Test programs run under Wine, which shows this machine's root as drive Z:;
# tests give them absolute paths with this in front.
set(TVX_TEST_DRIVE Z: CACHE STRING "The drive Windows test programs see this machine's root as")

# Tools that run while building and testing come from a build of the project
# for this machine (the first stage of the script's two).
set(TVX_HOST_BUILD_DIR "" CACHE PATH "A build of the project for the build machine")
if(TVX_HOST_BUILD_DIR)
  add_executable(host-ppu-tool IMPORTED GLOBAL)
  set_target_properties(host-ppu-tool PROPERTIES
    IMPORTED_LOCATION ${TVX_HOST_BUILD_DIR}/tools/ppu-tool/ppu-tool)
endif()
