# Our own targets build warning-free; third-party headers come in as SYSTEM.
# TVX_WERROR stops the build at the first warning of ours.
option(TVX_WERROR "Treat warnings in our own targets as errors" OFF)
function(tvx_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(TVX_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
