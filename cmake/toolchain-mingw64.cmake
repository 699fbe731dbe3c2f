# Cross build for 64-bit Windows with MinGW-w64 (Debian:
# g++-mingw-w64-x86-64-posix). The posix thread model gives std::thread and
# std::mutex; libgcc and libstdc++ are linked statically so that the programs
# need no MinGW DLLs beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TVX_MINGW_TRIPLET x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${TVX_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TVX_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TVX_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TVX_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# winpthread too, so that nothing but system DLLs is needed. -static takes
# the static form of every library it finds both of; system DLLs have only
# import libraries and stay DLLs. (Linking winpthread with --whole-archive
# also pulled in its own VERSIONINFO, which our binaries' file properties
# collide with.)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

# Tests and build-time checks run the programs under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine CACHE FILEPATH "Runs Windows programs here")
