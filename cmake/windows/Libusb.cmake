# libusb-1.0 compiled for Windows (WinUSB and UsbDk backends) from the Debian
# source package the build script unpacks (apt-get source libusb-1.0-0-dev),
# with the configuration in LibusbConfig.h.
set(TVX_LIBUSB_SOURCE_DIR "" CACHE PATH "Unpacked source of libusb-1.0")
set(libusb_dir ${TVX_LIBUSB_SOURCE_DIR}/libusb)
if(NOT EXISTS "${libusb_dir}/core.c")
  message(FATAL_ERROR "TVX_LIBUSB_SOURCE_DIR must name the unpacked libusb-1.0 source "
                      "(scripts/run-windows-tests.sh fetches it)")
endif()
set(libusb_config ${CMAKE_BINARY_DIR}/deps/libusb/config)
configure_file(${CMAKE_CURRENT_LIST_DIR}/LibusbConfig.h ${libusb_config}/config.h COPYONLY)
add_library(tvx_libusb STATIC
  ${libusb_dir}/core.c
  ${libusb_dir}/descriptor.c
  ${libusb_dir}/hotplug.c
  ${libusb_dir}/io.c
  ${libusb_dir}/strerror.c
  ${libusb_dir}/sync.c
  ${libusb_dir}/os/events_windows.c
  ${libusb_dir}/os/threads_windows.c
  ${libusb_dir}/os/windows_common.c
  ${libusb_dir}/os/windows_usbdk.c
  ${libusb_dir}/os/windows_winusb.c)
target_include_directories(tvx_libusb PRIVATE ${libusb_config} ${libusb_dir}/os)
target_include_directories(tvx_libusb SYSTEM PUBLIC ${libusb_dir})
# Third-party code: built as it is, without our warning flags.
target_compile_options(tvx_libusb PRIVATE -w)
add_library(PkgConfig::LIBUSB ALIAS tvx_libusb)
