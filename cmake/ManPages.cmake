# Manual pages of the programs, made at build time from their --help and
# --version into <build>/man/<program>.1 (target man-pages); Packaging.cmake
# installs them with their programs.
find_program(HELP2MAN help2man REQUIRED)

set(TVX_MAN_DIR ${CMAKE_BINARY_DIR}/man)
set(TVX_MAN_PAGES "")

# tvx_man_page(TARGET SUMMARY [SUBCOMMANDS command...])
function(tvx_man_page target summary)
  cmake_parse_arguments(PARSE_ARGV 2 page "" "" "SUBCOMMANDS")
  set(others TVXUpgrade ppu-tool tvx-drive)
  list(REMOVE_ITEM others ${target})
  set(page ${TVX_MAN_DIR}/${target}.1)
  add_custom_command(OUTPUT ${page}
    COMMAND ${CMAKE_COMMAND} -DHELP2MAN=${HELP2MAN} -DPROGRAM=$<TARGET_FILE:${target}> -DNAME=${target}
            "-DSUMMARY=${summary}" -DOUTPUT=${page} "-DSUBCOMMANDS=${page_SUBCOMMANDS}" "-DSEE_ALSO=${others}"
            -P ${PROJECT_SOURCE_DIR}/cmake/GenerateManPage.cmake
    DEPENDS ${target} ${PROJECT_SOURCE_DIR}/cmake/GenerateManPage.cmake
    COMMENT "Manual page ${target}.1"
    VERBATIM)
  set(TVX_MAN_PAGES ${TVX_MAN_PAGES} ${page} PARENT_SCOPE)
endfunction()

tvx_man_page(TVXUpgrade "firmware upgrade wizard for VORN 400 series USB card terminals")
tvx_man_page(ppu-tool "make, inspect and verify TVXUpgrade firmware packages"
  SUBCOMMANDS make-image pack inspect verify)
tvx_man_page(tvx-drive "run the TVXUpgrade wizard headless from a script")
add_custom_target(man-pages ALL DEPENDS ${TVX_MAN_PAGES})
