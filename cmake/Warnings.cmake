# Our own targets build warning-free; third-party headers come in as SYSTEM.
# -Wconversion warns where a value may not fit its new type (truncation,
# float to integer); -Wno-sign-conversion keeps gcc and clang to that same
# set, as clang's -Wconversion would also flag every mix of size_t with the
# signed sizes of Qt and the C interface, where a cast would only add noise.
# TVX_WERROR stops the build at the first warning of ours; CI's presets turn
# it on, a plain configure leaves it off so that a newer compiler's new
# warning does not break someone's build.
option(TVX_WERROR "Treat warnings in our own targets as errors" OFF)
function(tvx_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wshadow -Wpedantic -Wconversion -Wno-sign-conversion)
  if(TVX_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
