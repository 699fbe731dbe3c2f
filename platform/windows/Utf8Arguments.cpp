#include "platform/ProgramArguments.h"

#include <windows.h>
#include <shellapi.h>

namespace tvx {
namespace {

std::string Utf8(const wchar_t *wide)
{
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1)
        return {};
    std::string text(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), length, nullptr, nullptr);
    text.pop_back(); // the terminating NUL
    return text;
}

} // namespace

// main()'s own are kept when the command line cannot be split as the C
// runtime split it.
std::vector<std::string> Utf8Arguments(int argc, char **argv)
{
    int count = 0;
    wchar_t **wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> texts;
    if (wide && count == argc) {
        for (int i = 0; i < count; ++i)
            texts.push_back(Utf8(wide[i]));
    } else {
        texts.assign(argv, argv + argc);
    }
    ::LocalFree(wide);
    return texts;
}

} // namespace tvx
