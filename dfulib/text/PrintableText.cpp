#include "dfulib/text/PrintableText.h"

#include <cstdint>

namespace tvx {
namespace {

// The length of the valid UTF-8 sequence at the start of `text` and its code
// point, or 0 when it is not one (stray continuation byte, overlong form,
// surrogate, beyond U+10FFFF, cut short).
size_t DecodeUtf8(std::string_view text, char32_t *codePoint)
{
    const auto lead = static_cast<uint8_t>(text[0]);
    size_t length = 0;
    char32_t value = 0;
    char32_t smallest = 0;
    if (lead < 0x80) {
        *codePoint = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, smallest = 0x10000;
    } else {
        return 0;
    }
    if (text.size() < length)
        return 0;
    for (size_t i = 1; i < length; ++i) {
        const auto next = static_cast<uint8_t>(text[i]);
        if ((next & 0xC0) != 0x80)
            return 0;
        value = value << 6 | (next & 0x3F);
    }
    if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *codePoint = value;
    return length;
}

bool IsControl(char32_t codePoint)
{
    return codePoint < 0x20 || (codePoint >= 0x7F && codePoint < 0xA0);
}

void AppendEscaped(std::string_view bytes, std::string *out)
{
    static constexpr char kHexDigits[] = "0123456789abcdef";
    for (const char byte : bytes) {
        const auto value = static_cast<uint8_t>(byte);
        *out += "\\x";
        *out += kHexDigits[value >> 4];
        *out += kHexDigits[value & 0x0F];
    }
}

} // namespace

std::string PrintableText(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        char32_t codePoint = 0;
        const size_t length = DecodeUtf8(text, &codePoint);
        const size_t taken = length ? length : 1;
        if (length && !IsControl(codePoint))
            out.append(text.substr(0, taken));
        else
            AppendEscaped(text.substr(0, taken), &out);
        text.remove_prefix(taken);
    }
    return out;
}

} // namespace tvx
