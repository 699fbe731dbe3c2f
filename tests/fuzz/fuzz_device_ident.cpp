// The build number and vendor word in a terminal's 130-byte identification
// text, which comes from the device and need not be terminated.
#include <algorithm>
#include <cstring>
#include <memory>

#include "tests/fuzz/FuzzSupport.h"
#include "versions/Versions.h"

using namespace tvx::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // A heap block of exactly the buffer's size: a read past it shows.
    const auto identText = std::make_unique<char[]>(kIdentTextSize);
    std::memcpy(identText.get(), data, std::min(size, kIdentTextSize));

    uint32_t number = 0xDEADBEEF;
    const int result = ReadDeviceIdentNumber(identText.get(), &number);
    Expect(result == 0 || result == -1 || result == -2, "result code");
    if (result == 0)
        Expect(number <= 99999, "five digits");
    else
        Expect(number == 0xDEADBEEF, "nothing written on failure");

    const int vendor = ContainsSecondVendorWord(*reinterpret_cast<char(*)[kIdentTextSize]>(identText.get()));
    Expect(vendor == 0 || vendor == 1, "vendor answer");
    return 0;
}
