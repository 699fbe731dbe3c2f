#include "dfulib/usb/StringDescriptor.h"

namespace tvxdfu::usb {
namespace {

constexpr uint16_t kUsEnglish = 0x0409;
constexpr std::size_t kMaxDescriptor = 255;

// A control character would end or split a row of the device lists, or
// reach a terminal's screen: it reads as '?', as any character outside
// printable ASCII does.
char Printable(unsigned character)
{
    return character >= 0x20 && character < 0x7F ? static_cast<char>(character) : '?';
}

int GetStringDescriptor(libusb_device_handle *handle, uint8_t index, uint16_t language, uint8_t *buffer,
                        unsigned timeoutMs)
{
    return libusb_control_transfer(handle, LIBUSB_ENDPOINT_IN, LIBUSB_REQUEST_GET_DESCRIPTOR,
                                   static_cast<uint16_t>(LIBUSB_DT_STRING << 8 | index), language, buffer,
                                   kMaxDescriptor, timeoutMs);
}

StringRead Failure(int result)
{
    return result == LIBUSB_ERROR_PIPE ? StringRead::Refused : StringRead::NoAnswer;
}

} // namespace

bool StringDescriptorText(const uint8_t *descriptor, std::size_t size, std::string *text)
{
    if (size < 2 || descriptor[1] != LIBUSB_DT_STRING || descriptor[0] > size || descriptor[0] < 2 ||
        descriptor[0] % 2 != 0)
        return false;
    text->clear();
    for (std::size_t at = 2; at < descriptor[0]; at += 2) {
        const unsigned unit = descriptor[at] | descriptor[at + 1] << 8;
        // The string ends at a NUL, as the kernel reads it for sysfs.
        if (unit == 0)
            break;
        // A surrogate pair is one character: one '?' for both halves.
        if (unit >= 0xDC00 && unit <= 0xDFFF)
            continue;
        text->push_back(Printable(unit));
    }
    return true;
}

StringRead ReadLanguage(libusb_device_handle *handle, uint16_t *language, unsigned timeoutMs)
{
    uint8_t buffer[kMaxDescriptor];
    const int length = GetStringDescriptor(handle, 0, 0, buffer, timeoutMs);
    if (length < 0 && length != LIBUSB_ERROR_PIPE)
        return StringRead::NoAnswer;
    *language = length >= 4 && buffer[1] == LIBUSB_DT_STRING
                    ? static_cast<uint16_t>(buffer[2] | buffer[3] << 8)
                    : kUsEnglish;
    return StringRead::Read;
}

StringRead ReadStringDescriptor(libusb_device_handle *handle, uint8_t index, uint16_t language,
                                std::string *text, unsigned timeoutMs)
{
    uint8_t buffer[kMaxDescriptor];
    const int length = GetStringDescriptor(handle, index, language, buffer, timeoutMs);
    if (length < 0)
        return Failure(length);
    // A malformed answer is no string, as a stall is.
    return StringDescriptorText(buffer, static_cast<std::size_t>(length), text) ? StringRead::Read
                                                                                : StringRead::Refused;
}

std::string AsciiFromUtf8(const std::string &text)
{
    std::string ascii;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == 0)
            break;
        if (byte < 0x80 || byte >= 0xC0) // the first byte of a sequence; the others add nothing
            ascii.push_back(Printable(byte));
    }
    return ascii;
}

} // namespace tvxdfu::usb
