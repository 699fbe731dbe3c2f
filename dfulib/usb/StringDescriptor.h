// String descriptors read straight from a device, each request with its own
// short time-out: libusb's own string helper waits a whole second per
// request, and a terminal that is restarting or hangs would hold the
// window's listing for as long.
#pragma once

#include <libusb.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace tvxdfu::usb {

// How long one string request may take. A device answers GET_DESCRIPTOR in
// about a millisecond; one that needs longer is not in a state to be
// upgraded either.
inline constexpr unsigned kStringTimeoutMs = 100;

enum class StringRead {
    Read,     // *text holds the string (possibly empty)
    Refused,  // the device stalled the request: it has no such string
    NoAnswer, // time-out, I/O error or the device left: ask again later
};

// The language the device's strings are read in: the first one of its
// string descriptor 0, US English when that descriptor is refused or
// malformed (as the kernel does). NoAnswer when it does not answer.
StringRead ReadLanguage(libusb_device_handle *handle, uint16_t *language, unsigned timeoutMs);

// String descriptor `index` in `language`, as ASCII.
StringRead ReadStringDescriptor(libusb_device_handle *handle, uint8_t index, uint16_t language,
                                std::string *text, unsigned timeoutMs);

// A string descriptor's UTF-16LE characters as printable ASCII, '?' for
// every other character (control characters included), up to the first
// NUL; a descriptor of another type or a malformed length gives false.
bool StringDescriptorText(const uint8_t *descriptor, std::size_t size, std::string *text);

// UTF-8 text (as sysfs shows a device's strings) the same way, so that both
// sources give the same ID number.
std::string AsciiFromUtf8(const std::string &text);

} // namespace tvxdfu::usb
