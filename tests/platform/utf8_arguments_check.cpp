// Started with the two arguments below by ctest: ends with 0 when they reach
// the program as UTF-8, else prints what came.
#include <cstdio>
#include <string_view>

#include "platform/ProgramArguments.h"

int main(int argc, char **argv)
{
    tvx::ProgramArguments arguments(argc, argv);
    const std::u8string_view expected[] = {u8"Ärztehaus Müller/Paket ü.ppu", u8"Łódź Żółć"};
    bool same = arguments.Count() == 3;
    for (int i = 1; same && i < 3; ++i) {
        const std::u8string_view &want = expected[i - 1];
        same = std::string_view(arguments.Values()[i]) ==
               std::string_view(reinterpret_cast<const char *>(want.data()), want.size());
    }
    if (same)
        return 0;
    for (int i = 1; i < arguments.Count(); ++i) {
        for (const char *c = arguments.Values()[i]; *c; ++c)
            std::printf("%02x ", static_cast<unsigned char>(*c));
        std::printf("\n");
    }
    return 1;
}
