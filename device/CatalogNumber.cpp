#include "device/CatalogNumber.h"

namespace {

constexpr uint64_t kLargest = UINT32_MAX;

const char *SkipWhiteSpace(const char *text)
{
    while (*text == ' ' || (*text >= '\t' && *text <= '\r'))
        ++text;
    return text;
}

// The digit's value, or 16 for a character that is no digit in any base read here.
unsigned DigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return static_cast<unsigned>(c - '0');
    if (c >= 'a' && c <= 'f')
        return static_cast<unsigned>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F')
        return static_cast<unsigned>(c - 'A' + 10);
    return 16;
}

uint32_t ReadDigits(const char *text, unsigned base)
{
    uint64_t value = 0;
    for (unsigned digit; (digit = DigitValue(*text)) < base; ++text) {
        value = value * base + digit;
        if (value > kLargest)
            value = kLargest + 1; // stays above the largest whatever follows
    }
    return value > kLargest ? UINT32_MAX : static_cast<uint32_t>(value);
}

} // namespace

uint32_t ReadCatalogDecimal(const char *text)
{
    return text ? ReadDigits(SkipWhiteSpace(text), 10) : 0;
}

uint32_t ReadCatalogNumber(const char *text)
{
    if (!text)
        return 0;
    text = SkipWhiteSpace(text);
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X') && DigitValue(text[2]) < 16)
        return ReadDigits(text + 2, 16);
    return ReadDigits(text, text[0] == '0' ? 8 : 10);
}
