# Our own targets build warning-free; third-party headers come in as SYSTEM.
function(tvx_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()
