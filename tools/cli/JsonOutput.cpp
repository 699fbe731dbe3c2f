#include "tools/cli/JsonOutput.h"

namespace tvx::cli {

Json TextOrNull(const char *text)
{
    return text ? Json(text) : Json(nullptr);
}

namespace {

// The dump escapes C0 controls but passes DEL and the C1 controls (U+0080 to
// U+009F, which terminals take as CSI and the like) as they are. They can
// only stand inside strings, where \u00XX is the same text.
std::string EscapeRemainingControls(const std::string &json)
{
    static constexpr char kHexDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(json.size());
    for (size_t i = 0; i < json.size(); ++i) {
        const auto byte = static_cast<unsigned char>(json[i]);
        const auto next = i + 1 < json.size() ? static_cast<unsigned char>(json[i + 1]) : 0;
        if (byte == 0x7F) {
            out += "\\u007f";
        } else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {
            out += "\\u00";
            out += kHexDigits[next >> 4];
            out += kHexDigits[next & 0x0F];
            ++i;
        } else {
            out += json[i];
        }
    }
    return out;
}

} // namespace

void WriteJsonLine(std::ostream &out, const Json &value)
{
    out << EscapeRemainingControls(value.dump(-1, ' ', false, Json::error_handler_t::replace)) << '\n';
    out.flush();
}

} // namespace tvx::cli
