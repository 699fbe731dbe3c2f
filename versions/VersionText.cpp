// Version texts: the parser every comparison goes through, the two text
// forms, and the dotted version inside a terminal's product text.
#include "versions/Versions.h"

#include <algorithm>
#include <cstring>

#include "versions/TextFormat.h"

namespace {

// Version texts are compared on this many leading characters only: the
// longest text form, 004.007.000, just fits.
constexpr std::size_t kVersionTextLimit = 11;

bool AllDigits(std::string_view text)
{
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// Decimal value of an all-digit text, kept to 16 bits.
uint16_t DecimalValue(std::string_view digits)
{
    uint64_t value = 0;
    for (char c : digits)
        value = value * 10 + static_cast<uint64_t>(c - '0');
    return static_cast<uint16_t>(value & 0xFFFF);
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

ParsedVersion ParseVersionText(std::string_view text)
{
    ParsedVersion version;
    const std::string_view copy = text.substr(0, std::min(text.size(), kVersionTextLimit));

    const std::size_t firstDot = copy.find('.');
    if (firstDot == std::string_view::npos)
        return version;
    const std::string_view major = copy.substr(0, std::min<std::size_t>(firstDot, 3));
    if (major.empty() || !AllDigits(major))
        return version;
    version.major = DecimalValue(major);

    const std::string_view rest = copy.substr(firstDot + 1);
    const std::size_t secondDot = rest.find('.');
    if (secondDot == std::string_view::npos) {
        if (!rest.empty() && AllDigits(rest))
            version.minor = DecimalValue(rest);
        return version;
    }
    const std::string_view minor = rest.substr(0, secondDot);
    if (!AllDigits(minor))
        return version;
    if (!minor.empty())
        version.minor = DecimalValue(minor);

    const std::string_view patch = rest.substr(secondDot + 1);
    if (!patch.empty() && AllDigits(patch))
        version.patch = DecimalValue(patch);
    return version;
}

ParsedVersion ThreePartNumbers(uint32_t value)
{
    return {static_cast<uint16_t>((value >> 16) & 0xFF), static_cast<uint16_t>((value >> 8) & 0xFF),
            static_cast<uint16_t>(value & 0xFF)};
}

std::string FormatVersion3(uint32_t value)
{
    return FormatVersion3(ThreePartNumbers(value));
}

std::string FormatVersion3(const ParsedVersion &version)
{
    return Format("%.3d.%.3d.%.3d", version.major, version.minor, version.patch);
}

std::string BcdVersionText(uint16_t value)
{
    return Format("%.3hx.%.3hx.---", static_cast<unsigned short>(value >> 8),
                  static_cast<unsigned short>(value & 0xFF));
}

std::string ShortVersion3(uint32_t value)
{
    const ParsedVersion version = ThreePartNumbers(value);
    return Format("%d.%d.%d", version.major, version.minor, version.patch);
}

std::string ShortBcdVersion(uint16_t value)
{
    return Format("%x.%.2hx", static_cast<unsigned>(value >> 8), static_cast<unsigned short>(value & 0xFF));
}

int ParseVersionAfterMarker(const char *text, const char *marker, uint32_t *value, int *threeNumbers)
{
    if (!text || !marker || !value || !threeNumbers)
        return -1;
    const char *found = std::strstr(text, marker);
    const std::size_t markerLength = std::strlen(marker);
    if (!found || std::strlen(found) <= markerLength + 2)
        return -1;

    const char *p = found + markerLength;
    uint32_t numbers[3] = {};
    int count = 0;
    while (true) {
        int digits = 0;
        uint32_t number = 0;
        while (IsDigit(*p)) {
            if (++digits > 3)
                return -1;
            number = number * 10 + static_cast<uint32_t>(*p - '0');
            ++p;
        }
        if (digits == 0 || number > 255)
            return -1;
        numbers[count++] = number;
        if (count == 1) {
            // The first number must be followed by a second.
            if (*p != '.')
                return -1;
            ++p;
        } else if (count == 2 && *p == '.') {
            ++p;
        } else {
            break;
        }
    }

    if (count == 3) {
        *value = numbers[0] << 16 | numbers[1] << 8 | numbers[2];
        *threeNumbers = 1;
    } else {
        *value = numbers[0] << 8 | numbers[1];
        *threeNumbers = 0;
    }
    return 0;
}
