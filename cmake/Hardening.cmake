# The protections a distribution builds its programs with: buffer checks of
# the C library's functions (_FORTIFY_SOURCE), stack canaries, relocations
# read-only and bound at start (RELRO, BIND_NOW), and programs linked as
# position-independent executables, so that their addresses are randomised.
include(CheckCSourceCompiles)
include(CheckPIESupported)

# PIE for the programs too, not only for the code of the shared library.
check_pie_supported(OUTPUT_VARIABLE pie_output LANGUAGES C CXX)
if(NOT CMAKE_C_LINK_PIE_SUPPORTED OR NOT CMAKE_CXX_LINK_PIE_SUPPORTED)
  message(WARNING "The programs cannot be linked as PIE: ${pie_output}")
endif()

add_compile_options(-fstack-protector-strong)
add_link_options(LINKER:-z,relro LINKER:-z,now)

# The checked functions need optimisation, and the sanitizers watch the same
# calls in their own way.
if(NOT (TVX_SANITIZE OR TVX_TSAN OR TVX_FUZZ))
  # Level 3 where compiler and C library have it; the C library warns when
  # it falls back to 2.
  set(CMAKE_REQUIRED_FLAGS "-O2 -U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=3 -Werror")
  check_c_source_compiles("#include <stdio.h>\nint main(void) { return 0; }" TVX_HAVE_FORTIFY_SOURCE_3)
  unset(CMAKE_REQUIRED_FLAGS)
  if(TVX_HAVE_FORTIFY_SOURCE_3)
    set(fortify_level 3)
  else()
    set(fortify_level 2)
  endif()
  add_compile_options("$<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=${fortify_level}>")
endif()
