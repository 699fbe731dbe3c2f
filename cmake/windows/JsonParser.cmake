# json-parser compiled for Windows from the Debian source package the build
# script unpacks (apt-get source libjsonparser-dev). Its header is reachable
# both as <json.h> and as <json-parser/json.h>, as pkg-config gives it on
# Debian.
set(TVX_JSONPARSER_SOURCE_DIR "" CACHE PATH "Unpacked source of json-parser (libjsonparser)")
if(NOT EXISTS "${TVX_JSONPARSER_SOURCE_DIR}/json.c")
  message(FATAL_ERROR "TVX_JSONPARSER_SOURCE_DIR must name the unpacked json-parser source "
                      "(scripts/run-windows-tests.sh fetches it)")
endif()
set(jsonparser_include ${CMAKE_BINARY_DIR}/deps/jsonparser/include)
file(COPY ${TVX_JSONPARSER_SOURCE_DIR}/json.h DESTINATION ${jsonparser_include}/json-parser)
add_library(tvx_jsonparser STATIC ${TVX_JSONPARSER_SOURCE_DIR}/json.c)
target_include_directories(tvx_jsonparser SYSTEM PUBLIC
  ${jsonparser_include} ${jsonparser_include}/json-parser)
# Third-party code: built as it is, without our warning flags.
target_compile_options(tvx_jsonparser PRIVATE -w)
add_library(PkgConfig::JSONPARSER ALIAS tvx_jsonparser)
