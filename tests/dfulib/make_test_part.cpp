// Writes a Firmware part image for the C smoke test: a generation-1,
// layout-1 header naming firmware 4.7.0 and loader 1.4.2, and a DFU suffix.
#include <fstream>

#include "TestParts.h"

int main(int argc, char **argv)
{
    if (argc != 2)
        return 2;
    const std::vector<uint8_t> image =
        tvxtest::WithSuffix(tvxtest::ThreePartImage(0x040700, 0x010402, 23456, 8192));
    std::ofstream out(argv[1], std::ios::binary);
    out.write(reinterpret_cast<const char *>(image.data()),
              static_cast<std::streamsize>(image.size()));
    return out ? 0 : 1;
}
