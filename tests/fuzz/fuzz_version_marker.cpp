// The dotted version behind a marker in a terminal's product text.
// Input: the marker, a NUL byte, the text.
#include <algorithm>
#include <string>

#include "tests/fuzz/FuzzSupport.h"
#include "versions/Versions.h"

using namespace tvx::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string input(reinterpret_cast<const char *>(data), size);
    const std::size_t split = std::min(input.find('\0'), input.size());
    const std::string marker = input.substr(0, split);
    const std::string text = input.substr(std::min(split + 1, input.size()));
    uint32_t value = 0xDEADBEEF;
    int threeNumbers = -1;
    const int result = ParseVersionAfterMarker(text.c_str(), marker.c_str(), &value, &threeNumbers);
    Expect(result == 0 || result == -1, "result code");
    if (result != 0) {
        Expect(value == 0xDEADBEEF && threeNumbers == -1, "nothing written on failure");
        return 0;
    }
    Expect(threeNumbers == 0 || threeNumbers == 1, "number count");
    // The value written out again behind the marker reads back the same.
    const std::string again = threeNumbers
                                  ? std::to_string(value >> 16) + "." + std::to_string((value >> 8) & 0xFF) +
                                        "." + std::to_string(value & 0xFF)
                                  : std::to_string(value >> 8) + "." + std::to_string(value & 0xFF);
    Expect(threeNumbers ? value <= 0xFFFFFF : value <= 0xFFFF, "numbers of at most 255");
    uint32_t reread = 0;
    int rereadThree = -1;
    const std::string restated = std::string(marker.c_str()) + again;
    Expect(ParseVersionAfterMarker(restated.c_str(), marker.c_str(), &reread, &rereadThree) == 0 &&
               reread == value && rereadThree == threeNumbers,
           "restated version reads back");
    return 0;
}
