// A string descriptor as a device sends it, and the same bytes as UTF-8
// text as sysfs shows a string. Input: the descriptor bytes.
#include <string>

#include "dfulib/usb/StringDescriptor.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace tvx::fuzz;

namespace {

bool PrintableAscii(const std::string &text)
{
    for (const char c : text)
        if (c < 0x20 || c > 0x7E)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string text = "untouched";
    if (tvxdfu::usb::StringDescriptorText(data, size, &text)) {
        Expect(PrintableAscii(text), "descriptor text is printable ASCII");
        Expect(text.size() <= (data[0] - 2u) / 2, "at most one character per UTF-16 unit");
    }
    const std::string utf8 =
        tvxdfu::usb::AsciiFromUtf8(std::string(reinterpret_cast<const char *>(data), size));
    Expect(PrintableAscii(utf8), "sysfs text is printable ASCII");
    Expect(utf8.size() <= size, "at most one character per byte");
    return 0;
}
