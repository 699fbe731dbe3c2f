// Scenario files for the simulator: the parser, and for a scenario it takes,
// the simulated bus built from it and the terminals read through the
// library's own calls.
#include <cstring>
#include <string>
#include <vector>

#include "dfulib/include/TVXDFUUpgrade.h"
#include "dfulib/sim/Scenario.h"
#include "dfulib/sim/SimulatorControl.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace tvx::fuzz;
using namespace tvxdfu::sim;

namespace {

// The texts of a list that ends with an empty text, read within its buffer.
std::vector<std::string> ListTexts(const std::vector<char> &buffer)
{
    std::vector<std::string> texts;
    std::size_t at = 0;
    while (at < buffer.size() && buffer[at] != '\0') {
        const std::size_t length = strnlen(buffer.data() + at, buffer.size() - at);
        Expect(at + length < buffer.size(), "list text terminated inside its buffer");
        texts.emplace_back(buffer.data() + at, length);
        at += length + 1;
    }
    Expect(at < buffer.size(), "list ended by an empty text");
    return texts;
}

void ReadTerminals()
{
    uint32_t productLength = 0;
    uint32_t idLength = 0;
    Expect(ListVORNDevices(nullptr, &productLength, nullptr, &idLength) == 0, "list lengths");
    std::vector<char> products(productLength + 1, 'x');
    std::vector<char> ids(idLength + 1, 'x');
    Expect(ListVORNDevices(products.data(), &productLength, ids.data(), &idLength) == 0, "list");
    const std::vector<std::string> idTexts = ListTexts(ids);
    ListTexts(products);
    for (const std::string &id : idTexts) {
        char padded[17] = {};
        std::strncpy(padded, id.c_str(), 16);
        uint32_t firmware = 0, loader = 0, type = 0, attributes = 0;
        uint16_t extra = 0;
        char identText[130];
        GetwBCDDeviceFWVersion(padded, 16, &firmware, &loader, &type, &extra, identText);
        GetDFUAttributes(padded, 16, &attributes);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool clockSet = (SetClock([] { return int64_t{0}; }), true); // simulated time stands
    (void)clockSet;
    const std::string text(reinterpret_cast<const char *>(data), size);
    Scenario scenario;
    std::string error;
    if (!ParseScenario(text, &scenario, &error)) {
        Expect(!error.empty(), "a refused scenario says why");
        return 0;
    }
    Expect(UseScenarioJson(text), "a parsed scenario is used");
    ReadTerminals();
    return 0;
}
