/* Build configuration of libusb-1.0 for MinGW-w64 (what its configure script
 * would find there). */
#ifndef TVX_LIBUSB_CONFIG_H
#define TVX_LIBUSB_CONFIG_H

#define PLATFORM_WINDOWS    1
#define ENABLE_LOGGING      1
#define DEFAULT_VISIBILITY  __attribute__((visibility("default")))
#define PRINTF_FORMAT(a, b) __attribute__((format(__MINGW_PRINTF_FORMAT, a, b)))
#define HAVE_STDINT_H       1
#define HAVE_INTTYPES_H     1
#define HAVE_STRING_H       1
#define HAVE_STDLIB_H       1
#define HAVE_SYS_STAT_H     1
#define HAVE_SYS_TYPES_H    1
#define HAVE_SYS_TIME_H     1
#define HAVE_UNISTD_H       1
#define STDC_HEADERS        1
/* Windows Vista and later. */
#define _WIN32_WINNT 0x0600

#endif
