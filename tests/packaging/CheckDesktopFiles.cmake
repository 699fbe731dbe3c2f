# What the wizard's package tells the desktop, as the package lays it out:
# the desktop entry and the AppStream metadata pass their validators, the
# metadata offers the wizard for VORN terminals, and the icon is there at
# the theme's sizes and as SVG.
# -DDEBS=<folder of .deb files> -DWORK=<scratch folder>
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE ${WORK})
file(GLOB deb ${DEBS}/tvxupgrade_*.deb)
execute_process(COMMAND dpkg-deb -x ${deb} ${WORK} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cannot unpack the wizard's package '${deb}'")
endif()

set(desktop_entry ${WORK}/usr/share/applications/tvxupgrade.desktop)
file(GLOB metainfo ${WORK}/usr/share/metainfo/*.metainfo.xml)
foreach(check
    "desktop-file-validate;${desktop_entry}"
    "appstreamcli;validate;--no-net;--strict;${metainfo}"
    "appstreamcli;validate-tree;--no-net;--strict;${WORK}")
  execute_process(COMMAND ${check} OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0 OR output MATCHES "(^|\n)[EW]:")
    message(FATAL_ERROR "${check}: exit ${rc}\n${output}")
  endif()
endforeach()

file(READ ${desktop_entry} entry)
foreach(key Name GenericName Comment)
  foreach(language de fr)
    if(NOT entry MATCHES "\n${key}\\[${language}\\]=[^\n]+")
      message(FATAL_ERROR "the desktop entry has no ${key}[${language}]")
    endif()
  endforeach()
endforeach()
file(READ ${metainfo} metadata)
if(NOT metadata MATCHES "<provides>.*<modalias>usb:v0D7Bp\\*</modalias>.*</provides>"
   OR NOT metadata MATCHES "<screenshot type=\"default\">")
  message(FATAL_ERROR "the metadata neither offers the wizard for USB vendor 0d7b nor shows it")
endif()

foreach(icon 16x16 22x22 24x24 32x32 48x48 64x64 128x128 256x256 512x512)
  set(file ${WORK}/usr/share/icons/hicolor/${icon}/apps/tvxupgrade.png)
  execute_process(COMMAND file -b ${file} OUTPUT_VARIABLE type)
  string(REPLACE "x" " x " size "${icon}")
  if(NOT type MATCHES "^PNG image data, ${size},")
    message(FATAL_ERROR "hicolor ${icon} icon: ${type}")
  endif()
endforeach()
file(READ ${WORK}/usr/share/icons/hicolor/scalable/apps/tvxupgrade.svg svg)
if(NOT svg MATCHES "<svg[^>]*viewBox=\"0 0 256 256\"")
  message(FATAL_ERROR "the scalable icon is no SVG drawing")
endif()
