#include "platform/Utf8Path.h"

#include <system_error>

namespace tvx {

// Linux names are bytes and pass through unchanged; libstdc++ throws where a
// conversion to or from UTF-16 fails.
bool PathFromUtf8(std::string_view utf8, std::filesystem::path *path)
{
    try {
        *path = std::filesystem::path(
            std::u8string_view(reinterpret_cast<const char8_t *>(utf8.data()), utf8.size()));
        return true;
    } catch (const std::system_error &) {
        return false;
    }
}

bool Utf8FromPath(const std::filesystem::path &path, std::string *utf8)
{
    try {
        const std::u8string text = path.u8string();
        utf8->assign(text.begin(), text.end());
        return true;
    } catch (const std::system_error &) {
        return false;
    }
}

} // namespace tvx
