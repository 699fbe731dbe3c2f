# File properties (a VERSIONINFO resource) for each Windows binary we ship:
# the project's version, and in Comments the verify key's fingerprint in the
# words --version prints, so that Explorer, PowerShell's VersionInfo and an
# inventory tool tell a release from a development-key build without
# running it. Included after the targets exist; one that is not built here
# (or only imported from the host build) is left out. TVX_WINDOWS_BINARIES
# lists those that have the resource, TVX_VERIFY_KEY_IS_DEVELOPMENT whether
# the key they name is the development one.
enable_language(RC)
# Build folders first configured with winpthread linked --whole-archive
# keep those flags in their cache; that links winpthread's VERSIONINFO too.
if("${CMAKE_EXE_LINKER_FLAGS} ${CMAKE_SHARED_LINKER_FLAGS}" MATCHES "whole-archive")
  message(FATAL_ERROR "This build folder links winpthread --whole-archive, whose version "
    "resource collides with ours: configure it afresh (cmake --fresh ...).")
endif()
include(${CMAKE_CURRENT_LIST_DIR}/../KeyFiles.cmake)

tvx_verify_key_sha256(verify_key_sha256 ${TVX_PACKAGE_VERIFY_KEY})
set(TVX_RC_KEY_DESCRIPTION "package verify key SHA-256 ${verify_key_sha256}")
get_property(development_keys GLOBAL PROPERTY TVX_DEVELOPMENT_KEYS)
if("verify key" IN_LIST development_keys)
  set(TVX_VERIFY_KEY_IS_DEVELOPMENT ON)
  string(APPEND TVX_RC_KEY_DESCRIPTION " (development key)")
else()
  set(TVX_VERIFY_KEY_IS_DEVELOPMENT OFF)
endif()

# FILEVERSION takes four numbers; a missing one is 0.
set(TVX_RC_VERSION_COMMAS "")
foreach(part MAJOR MINOR PATCH TWEAK)
  set(number ${PROJECT_VERSION_${part}})
  if(number STREQUAL "")
    set(number 0)
  endif()
  list(APPEND TVX_RC_VERSION_COMMAS ${number})
endforeach()
string(REPLACE ";" "," TVX_RC_VERSION_COMMAS "${TVX_RC_VERSION_COMMAS}")
set(TVX_RC_COMPANY "TVXUpgrade developers")
set(TVX_RC_COPYRIGHT "Copyright (c) 2026 TVXUpgrade developers, MIT License")

# target and the description Explorer shows for it
set(shipped_binaries
  TVXUpgrade "TVXUpgrade firmware upgrade wizard"
  TVXDFUUpgrade "TVXUpgrade device library"
  ppu-tool "TVXUpgrade package tool"
  tvx-drive "TVXUpgrade headless driver")
set(TVX_WINDOWS_BINARIES "")
while(shipped_binaries)
  list(POP_FRONT shipped_binaries TVX_RC_TARGET TVX_RC_DESCRIPTION)
  if(NOT TARGET ${TVX_RC_TARGET})
    continue()
  endif()
  get_target_property(imported ${TVX_RC_TARGET} IMPORTED)
  if(imported)
    continue()
  endif()
  list(APPEND TVX_WINDOWS_BINARIES ${TVX_RC_TARGET})
  get_target_property(type ${TVX_RC_TARGET} TYPE)
  if(type STREQUAL "SHARED_LIBRARY")
    set(TVX_RC_FILETYPE VFT_DLL)
  else()
    set(TVX_RC_FILETYPE VFT_APP)
  endif()
  set(rc ${PROJECT_BINARY_DIR}/version-info/${TVX_RC_TARGET}.rc)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/VersionInfo.rc.in ${rc}.in @ONLY)
  file(GENERATE OUTPUT ${rc} INPUT ${rc}.in)
  target_sources(${TVX_RC_TARGET} PRIVATE ${rc})
endwhile()
