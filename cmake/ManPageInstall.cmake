# The manual pages the build makes into <build>/man/<program>.1 (target
# man-pages), installed gzip-compressed (-9n, as Debian policy asks) with the
# component of their program.
set(TVX_MAN_DIR ${PROJECT_BINARY_DIR}/man)

# tvx_install_man_page(PROGRAM COMPONENT)
function(tvx_install_man_page program component)
  if(NOT TARGET man-pages)
    return()
  endif()
  set(page ${TVX_MAN_DIR}/${program}.1)
  add_custom_command(OUTPUT ${page}.gz
    COMMAND gzip -9nkf ${page}
    DEPENDS man-pages ${page}
    COMMENT "Compressing ${program}.1")
  add_custom_target(${program}-man-page-gz ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
endfunction()
