// What the terminal's identification text (written by the version query)
// says about the terminal: the second vendor's name, the model, the build.
#include "versions/Versions.h"

#include <cstring>

namespace {

constexpr char kSecondVendorWord[] = "bravik";
constexpr std::size_t kWordLength = sizeof kSecondVendorWord - 1;

char LowerCase(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

int ContainsSecondVendorWord(const char (&identText)[kIdentTextSize])
{
    for (std::size_t pos = 17; pos <= 128; ++pos) {
        if (LowerCase(identText[pos]) != kSecondVendorWord[0])
            continue;
        if (strnlen(identText + pos, kIdentTextSize - pos) < kWordLength)
            return 0;
        char word[kWordLength];
        for (std::size_t i = 0; i < kWordLength; ++i)
            word[i] = LowerCase(identText[pos + i]);
        if (std::memcmp(word, kSecondVendorWord, kWordLength) == 0)
            return 1;
    }
    return 0;
}

int ReadDeviceIdentNumber(const char *identText, uint32_t *number)
{
    if (!identText || !number || identText[0] != 'F')
        return -1;
    // A buffer without its terminator counts as too long.
    const std::size_t length = strnlen(identText, kIdentTextSize);
    if (length < 17 || length > 129)
        return -1;
    if (static_cast<unsigned char>(identText[17]) != 0xD7)
        return -2;
    if (length < 73)
        return -1;
    uint32_t value = 0;
    for (std::size_t i = 68; i <= 72; ++i) {
        const char c = identText[i];
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + static_cast<uint32_t>(c - '0');
    }
    *number = value;
    return 0;
}

bool IdentTextNamesModel460(const char (&identText)[kIdentTextSize])
{
    return identText[0] != '\0' && identText[10] == '9' && identText[11] == ' ';
}
