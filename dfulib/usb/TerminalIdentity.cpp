#include "dfulib/usb/TerminalIdentity.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <sstream>
#include <string_view>

#include "dfulib/usb/ProductText.h"

namespace tvxdfu::usb {
namespace {

std::optional<uint32_t> Number(std::string_view text, int base, uint32_t max)
{
    uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size() || text.empty() || value > max)
        return std::nullopt;
    return value;
}

std::optional<uint32_t> Version(std::string_view text)
{
    if (text.starts_with("0x") || text.starts_with("0X"))
        text.remove_prefix(2);
    else if (text.find('.') != std::string_view::npos) {
        uint32_t value = 0x01000000u;
        for (int shift = 16; shift >= 0; shift -= 8) {
            const std::size_t dot = text.find('.');
            if ((shift == 0) != (dot == std::string_view::npos))
                return std::nullopt;
            const auto part = Number(text.substr(0, dot), 10, 255);
            if (!part)
                return std::nullopt;
            value |= *part << shift;
            text = shift == 0 ? std::string_view() : text.substr(dot + 1);
        }
        return value;
    }
    if (text.size() != 4)
        return std::nullopt;
    return Number(text, 16, 0xFFFF);
}

// The value of KEY=value in the blank-separated interface string.
std::optional<std::string> Token(const std::string &text, std::string_view key)
{
    std::istringstream words(text);
    std::string word;
    while (words >> word) {
        if (word.size() > key.size() && word.compare(0, key.size(), key) == 0 && word[key.size()] == '=')
            return word.substr(key.size() + 1);
    }
    return std::nullopt;
}

uint32_t ModelNumber(const std::string &product)
{
    const std::size_t at = product.find("VORN ");
    if (at == std::string::npos)
        return 0;
    const std::size_t start = at + 5;
    const std::size_t end = product.find_first_not_of("0123456789", start);
    return Number(std::string_view(product).substr(start, end - start), 10, 0xFFFFFF).value_or(0);
}

} // namespace

TerminalIdentity IdentifyTerminal(const UsbDeviceRecord &record)
{
    TerminalIdentity identity;
    const auto versionToken = [&](std::string_view key) -> std::optional<uint32_t> {
        const auto token = Token(record.interfaceText, key);
        return token ? Version(*token) : std::nullopt;
    };
    identity.firmware = versionToken("FW").value_or(record.dfuMode ? 0u : record.bcdDevice);
    identity.loader = versionToken("LD").value_or(record.dfuMode ? record.bcdDevice : 0u);
    const auto type = Token(record.interfaceText, "TYPE");
    identity.deviceType =
        (type ? Number(*type, 10, UINT32_MAX) : std::nullopt).value_or(ModelNumber(record.product));
    if (identity.deviceType == 0)
        identity.deviceType = ModelOfProductId(record.idProduct);
    identity.extraValue = record.idProduct;
    const std::size_t length = std::min(record.configurationText.size(), kIdentTextSize - 1);
    std::copy_n(record.configurationText.begin(), length, identity.identText);
    return identity;
}

std::optional<uint8_t> NamedAlternateSetting(const std::string &interfaceText)
{
    const auto token = Token(interfaceText, "ALT");
    const auto number = token ? Number(*token, 10, 255) : std::nullopt;
    return number ? std::optional<uint8_t>(static_cast<uint8_t>(*number)) : std::nullopt;
}

} // namespace tvxdfu::usb
