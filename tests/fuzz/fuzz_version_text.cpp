// Version texts as a catalog or a terminal may state them.
#include <string_view>

#include "tests/fuzz/FuzzSupport.h"
#include "versions/Versions.h"

using namespace tvx::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const ParsedVersion parsed = ParseVersionText(text);
    // Only the first 11 characters count.
    Expect(ParseVersionText(text.substr(0, 11)) == parsed, "reads at most 11 characters");
    // A version the wizard formats reads back as itself.
    if (parsed.major <= 255 && parsed.minor <= 255 && parsed.patch <= 255) {
        const uint32_t value = uint32_t{parsed.major} << 16 | uint32_t{parsed.minor} << 8 | parsed.patch;
        Expect(ParseVersionText(FormatVersion3(value)) == parsed, "formatted version reads back");
    }
    return 0;
}
