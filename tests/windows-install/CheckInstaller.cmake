# The installer in a Wine prefix, as a technician uses it: its file
# properties name the version and the verify key; a silent install
# (/S) puts the zip's files and an uninstaller into Program Files, the
# wizard into everyone's Start menu and the installation into the list of
# installed apps; the installed programs run and name the version and key;
# the silent uninstall leaves none of it behind.
# -DWINE=<emulator> -DINSTALLER=<setup.exe> -DZIP=<its zip> -DVERSION=<version>
# -DREADER=<VersionInfoReader.exe> -DVERIFY_KEY=<key file> -DDEVELOPMENT=ON|OFF
# The prefix is $ENV{WINEPREFIX}; its folders are looked at from this side.
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/../keys/ExpectedKeyLine.cmake)
tvx_expected_key_line(key_line ${VERIFY_KEY} ${DEVELOPMENT})

if(NOT DEFINED ENV{WINEPREFIX})
  message(FATAL_ERROR "WINEPREFIX names the Wine prefix to install into")
endif()
set(drive_c $ENV{WINEPREFIX}/drive_c)
set(folder "${drive_c}/Program Files/TVXUpgrade")
set(windows_folder "C:\\Program Files\\TVXUpgrade")
set(link "${drive_c}/ProgramData/Microsoft/Windows/Start Menu/Programs/TVXUpgrade.lnk")
set(key "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TVXUpgrade")

function(wine out_rc out_text)
  execute_process(COMMAND ${WINE} ${ARGN} OUTPUT_VARIABLE text ERROR_VARIABLE text
                  RESULT_VARIABLE rc)
  string(REPLACE "\r\n" "\n" text "${text}")
  set(${out_rc} ${rc} PARENT_SCOPE)
  set(${out_text} "${text}" PARENT_SCOPE)
endfunction()

# What an earlier, interrupted run may have left.
file(REMOVE_RECURSE ${folder} ${link})
wine(rc ignored reg delete ${key} /f)

execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf ${ZIP} OUTPUT_VARIABLE listing)
string(REGEX MATCHALL "[^/\n]+\n" shipped "${listing}")
string(REPLACE "\n" "" shipped "${shipped}")

# The installer names what it installs in its own file properties.
wine(rc properties ${READER} Z:${INSTALLER})
string(FIND "${properties}" "\nFileVersion=${VERSION}\n" version_at)
string(FIND "${properties}" "\nComments=${key_line}\n" key_at)
if(NOT rc EQUAL 0 OR version_at EQUAL -1 OR key_at EQUAL -1)
  message(FATAL_ERROR "the installer's file properties (exit ${rc}):\n${properties}")
endif()

wine(rc output ${INSTALLER} /S)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "silent install: exit ${rc}\n${output}")
endif()
file(GLOB installed RELATIVE ${folder} ${folder}/*)
set(expected ${shipped} Uninstall.exe)
list(SORT installed)
list(SORT expected)
if(NOT installed STREQUAL expected)
  message(FATAL_ERROR "installed\n  ${installed}\nexpected\n  ${expected}")
endif()
if("TVXUpgrade.exe" IN_LIST shipped AND NOT EXISTS ${link})
  message(FATAL_ERROR "no Start-menu entry ${link}")
endif()

wine(rc entry reg query ${key})
set(values
  "DisplayVersion    REG_SZ    ${VERSION}"
  "Publisher    REG_SZ    TVXUpgrade developers"
  "InstallLocation    REG_SZ    ${windows_folder}"
  "UninstallString    REG_SZ    \"${windows_folder}\\Uninstall.exe\""
  "QuietUninstallString    REG_SZ    \"${windows_folder}\\Uninstall.exe\" /S")
foreach(value IN LISTS values)
  string(FIND "${entry}" "${value}\n" found)
  if(NOT rc EQUAL 0 OR found EQUAL -1)
    message(FATAL_ERROR "uninstall entry: expected '${value}', reg said (${rc}):\n${entry}")
  endif()
endforeach()

# The installed files work where they are: the programs start and say what
# they are, the DLL loads with only what Windows has.
foreach(program TVXUpgrade ppu-tool)
  if("${program}.exe" IN_LIST shipped)
    wine(rc version "${windows_folder}\\${program}.exe" --version)
    if(NOT rc EQUAL 0 OR NOT version STREQUAL "${program} ${VERSION}\n${key_line}\n")
      message(FATAL_ERROR "installed ${program}.exe --version: exit ${rc}\n${version}")
    endif()
  endif()
endforeach()
wine(rc properties ${READER} "${windows_folder}\\TVXDFUUpgrade.dll")
if(NOT rc EQUAL 0 OR NOT properties MATCHES "\nFileVersion=${VERSION}\n.*\nLoads=yes\n")
  message(FATAL_ERROR "installed TVXDFUUpgrade.dll: exit ${rc}\n${properties}")
endif()

# The uninstaller runs from a copy of itself in the temporary folder, so that
# it can delete its own file, and returns at once; the uninstall entry goes
# last. The deadline is for an uninstall that hangs, not a speed.
wine(rc output "${windows_folder}\\Uninstall.exe" /S)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "silent uninstall: exit ${rc}\n${output}")
endif()
string(TIMESTAMP start %s)
while(TRUE)
  wine(rc ignored reg query ${key})
  if(NOT rc EQUAL 0)
    break()
  endif()
  string(TIMESTAMP now %s)
  math(EXPR waited "${now} - ${start}")
  if(waited GREATER 240)
    message(FATAL_ERROR "the uninstall entry is still there after ${waited} s")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E sleep 0.5)
endwhile()
foreach(left ${folder} ${link})
  if(EXISTS ${left})
    file(GLOB_RECURSE inside ${left}/*)
    message(FATAL_ERROR "left behind: ${left} ${inside}")
  endif()
endforeach()
