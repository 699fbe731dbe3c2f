#include "dfulib/sim/IdentText.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace tvxdfu::sim {
namespace {

constexpr std::size_t kTextLength = 80;

// The first run of digits in the model name ("VORN 460 M" gives "460").
std::string ModelDigits(const std::string &model)
{
    const std::size_t begin = model.find_first_of("0123456789");
    if (begin == std::string::npos)
        return {};
    const std::size_t end = model.find_first_not_of("0123456789", begin);
    return model.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

void Place(char *out, std::size_t at, std::size_t width, const std::string &text)
{
    std::memcpy(out + at, text.data(), std::min(width, text.size()));
}

} // namespace

void WriteIdentText(const std::string &model, const std::string &vendorCode, bool secondVendor,
                    uint32_t identNumber, char out[kIdentTextSize])
{
    std::memset(out, 0, kIdentTextSize);
    std::memset(out, ' ', kTextLength);
    const std::string digits = ModelDigits(model);
    out[0] = 'F';
    Place(out, 1, 9, "VORN" + digits);
    out[10] = digits.rfind("46", 0) == 0 ? '9' : '7';
    Place(out, 12, 5, "ID01 ");
    out[17] = static_cast<char>(0xD7);
    Place(out, 18, 50, secondVendor ? vendorCode + " bravik" : vendorCode);
    char number[6];
    std::snprintf(number, sizeof number, "%05u", static_cast<unsigned>(identNumber % 100000));
    Place(out, 68, 5, number);
}

} // namespace tvxdfu::sim
