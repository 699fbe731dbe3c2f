# Run by cpack after it made the Windows zip (CPACK_POST_BUILD_SCRIPTS): the
# installer of the zip's files, <zip name>-setup.exe beside it, made by
# makensis from packaging/windows/TVXUpgrade.nsi.
list(FILTER CPACK_PACKAGE_FILES INCLUDE REGEX "\\.zip$")
if(NOT CPACK_PACKAGE_FILES MATCHES "^[^;]+$")
  message(FATAL_ERROR "expected one zip to make the installer of, got: ${CPACK_PACKAGE_FILES}")
endif()
get_filename_component(zip_name ${CPACK_PACKAGE_FILES} NAME_WLE)
set(work ${CPACK_TOPLEVEL_DIRECTORY}/installer)
file(REMOVE_RECURSE ${work})
file(ARCHIVE_EXTRACT INPUT ${CPACK_PACKAGE_FILES} DESTINATION ${work})

# The zip holds one folder of files; the uninstaller deletes each by name,
# so that files a user put into the installation folder stay.
file(GLOB files_dir LIST_DIRECTORIES true ${work}/*)
file(GLOB files RELATIVE ${files_dir} ${files_dir}/*)
set(remove_files "")
foreach(file IN LISTS files)
  if(IS_DIRECTORY ${files_dir}/${file})
    message(FATAL_ERROR "the installer takes no folders, the zip has ${file}")
  endif()
  string(APPEND remove_files "Delete \"$INSTDIR\\${file}\"\n")
endforeach()
file(WRITE ${work}/RemoveFiles.nsh "${remove_files}")

execute_process(COMMAND ${CPACK_TVX_MAKENSIS} -V2 -WX
                        -DVERSION=${CPACK_PACKAGE_VERSION}
                        "-DDISPLAY_NAME=${CPACK_TVX_DISPLAY_NAME}"
                        "-DPUBLISHER=${CPACK_PACKAGE_VENDOR}"
                        "-DKEY_LINE=${CPACK_TVX_KEY_DESCRIPTION}"
                        -DFILES_DIR=${files_dir}
                        -DREMOVE_FILES=${work}/RemoveFiles.nsh
                        -DOUTFILE=${CPACK_PACKAGE_DIRECTORY}/${zip_name}-setup.exe
                        ${CPACK_TVX_NSIS_SCRIPT}
                RESULT_VARIABLE rc OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "makensis failed (${rc}):\n${output}")
endif()
message(STATUS "Installer ${CPACK_PACKAGE_DIRECTORY}/${zip_name}-setup.exe made")
