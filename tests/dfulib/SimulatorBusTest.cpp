// What the simulated bus shows through the listing and version calls.
#include <cstring>
#include <optional>

#include "tests/dfulib/SimTestFixture.h"
#include "tests/dfulib/TestParts.h"

namespace tvxtest {
namespace {

class SimulatorBusTest : public SimTest {
protected:
    // The terminal's listing entry over time: its product text, or nullopt
    // while it is off the list, with how long each state lasted.
    struct Seen {
        std::optional<std::string> product;
        int64_t lastedMs;
    };
    std::vector<Seen> WatchDuringPart(const char *id, const PackageEntry *part)
    {
        std::vector<Seen> seen;
        int64_t since = now;
        auto look = [&] {
            std::optional<std::string> product;
            for (const Listed &l : List())
                if (l.id == id)
                    product = l.product;
            if (seen.empty() || seen.back().product != product) {
                if (!seen.empty())
                    seen.back().lastedMs = now - since;
                since = now;
                seen.push_back({product, 0});
            }
        };
        look();
        EXPECT_EQ(Start(id, part), 0u);
        for (uint32_t result = 0; result == 0;) {
            now += 10;
            result = Poll().result;
            look();
        }
        for (int i = 0; i < 1000; ++i) {
            now += 10;
            look();
        }
        return seen;
    }
};

TEST_F(SimulatorBusTest, RestartsAreVisibleAsAbsencesFromTheList)
{
    // Default timings: every absence lasts long enough for a poller to see.
    Load({R"("id": "T1", "model": "VORN 470 M online", "vendorCode": "KOTRX",
             "versionFormat": "three-part", "firmware": "4.6.0", "loader": "1.4.2",
             "imageSize": 4096)",
          R"("id": "B1", "model": "VORN 460 M", "vendorCode": "KOTRX",
             "versionFormat": "bcd", "firmware": "0x0302", "loader": "0x0110",
             "imageSize": 4096)"});
    TestPart threePart(WithSuffix(ThreePartImage(0x040700, 0x010402, 1)), "Firmware");
    const std::vector<Seen> seen = WatchDuringPart("T1", threePart.Entry());
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen[0].product, "VORN 470 M online KOTRX V 4.6.0 V.1.4.2 RTM");
    EXPECT_EQ(seen[1].product, std::nullopt);
    EXPECT_EQ(seen[2].product, "VORN 470 M online KOTRX V 1.4.2 V.4.6.0 DFU");
    EXPECT_EQ(seen[3].product, std::nullopt);
    EXPECT_EQ(seen[4].product, "VORN 470 M online KOTRX V 4.7.0 V.1.4.2 RTM");
    EXPECT_GE(seen[1].lastedMs, 300);
    EXPECT_GE(seen[3].lastedMs, 300);

    TestPart bcd(WithSuffix(BcdImage(0x0319, 0x0110)), "Firmware");
    const std::vector<Seen> bcdSeen = WatchDuringPart("B1", bcd.Entry());
    ASSERT_EQ(bcdSeen.size(), 5u);
    EXPECT_EQ(bcdSeen[0].product, "VORN 460 M KOTRX RTM");
    EXPECT_EQ(bcdSeen[2].product, "VORN 460 M KOTRX DFU");
    EXPECT_EQ(bcdSeen[4].product, "VORN 460 M KOTRX RTM");
}

TEST_F(SimulatorBusTest, TerminalAlreadyInItsLoaderDoesNotDetach)
{
    Load({ThreePartTerminal("T1", R"(, "mode": "DFU")")});
    TestPart part(WithSuffix(ThreePartImage(0x040700, 0x010402, 1)), "Firmware");
    const std::vector<Seen> seen = WatchDuringPart("T1", part.Entry());
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].product, "VORN 470 M online KOTRX V 1.4.2 V.4.6.0 DFU");
    EXPECT_EQ(seen[1].product, std::nullopt);
    EXPECT_EQ(seen[2].product, "VORN 470 M online KOTRX V 4.7.0 V.1.4.2 RTM");
}

TEST_F(SimulatorBusTest, ListingAnswersTheTwoCallSizingProtocol)
{
    Load({ThreePartTerminal("T1"), BcdTerminal("B22", R"(, "product": "Custom text")")});
    const std::string products =
        std::string("VORN 470 M online KOTRX V 4.6.0 V.1.4.2 RTM") + '\0' + "Custom text" + '\0' + '\0';
    const std::string ids = std::string("T1") + '\0' + "B22" + '\0' + '\0';

    uint32_t productLength = 0, idLength = 0;
    ASSERT_EQ(ListVORNDevices(nullptr, &productLength, nullptr, &idLength), 0u);
    EXPECT_EQ(productLength, products.size());
    EXPECT_EQ(idLength, ids.size());

    std::string p(productLength, 'x'), i(idLength, 'x');
    ASSERT_EQ(ListVORNDevices(p.data(), &productLength, i.data(), &idLength), 0u);
    EXPECT_EQ(p, products);
    EXPECT_EQ(i, ids);

    for (const bool shortProducts : {true, false}) {
        auto pl = static_cast<uint32_t>(products.size() - (shortProducts ? 1 : 0));
        auto il = static_cast<uint32_t>(ids.size() - (shortProducts ? 0 : 1));
        std::string pb(products.size(), 'x'), ib(ids.size(), 'x');
        EXPECT_EQ(ListVORNDevices(pb.data(), &pl, ib.data(), &il), TVXDFU_BUFFER_TOO_SMALL);
        EXPECT_EQ(pl, products.size());
        EXPECT_EQ(il, ids.size());
    }
}

TEST_F(SimulatorBusTest, TerminalArrivingBetweenTheTwoCallsGives122)
{
    Load({ThreePartTerminal("T1"), ThreePartTerminal("T2", R"(, "present": {"arrivalMs": 50})")});
    uint32_t productLength = 0, idLength = 0;
    ASSERT_EQ(ListVORNDevices(nullptr, &productLength, nullptr, &idLength), 0u);
    now += 100;
    std::string p(productLength, 'x'), i(idLength, 'x');
    EXPECT_EQ(ListVORNDevices(p.data(), &productLength, i.data(), &idLength), TVXDFU_BUFFER_TOO_SMALL);
    EXPECT_EQ(List().size(), 2u) << "the repeated pair of calls succeeds";
}

TEST_F(SimulatorBusTest, EmptyBusListsTwoEmptyLists)
{
    Load({});
    uint32_t productLength = 0, idLength = 0;
    ASSERT_EQ(ListVORNDevices(nullptr, &productLength, nullptr, &idLength), 0u);
    EXPECT_EQ(productLength, 1u);
    EXPECT_EQ(idLength, 1u);
    char p = 'x', i = 'x';
    ASSERT_EQ(ListVORNDevices(&p, &productLength, &i, &idLength), 0u);
    EXPECT_EQ(p, '\0');
    EXPECT_EQ(i, '\0');
    EXPECT_EQ(Version("T1").result, UPG_NO_DEVICE);
}

TEST_F(SimulatorBusTest, PresenceStretchesAndHandPluggingDecideWhatIsListed)
{
    Load({ThreePartTerminal("HOT",
                            R"(, "present": [{"arrivalMs": 0, "removalMs": 2000}, {"arrivalMs": 5000}])")});
    now = 1000;
    EXPECT_EQ(List().size(), 1u);
    now = 3000;
    EXPECT_EQ(List().size(), 0u);
    EXPECT_EQ(Version("HOT").result, UPG_NO_DEVICE);
    now = 6000;
    EXPECT_EQ(List().size(), 1u);
    EXPECT_TRUE(tvxdfu::sim::UnplugTerminal("hot"));
    EXPECT_EQ(List().size(), 0u);
    EXPECT_TRUE(tvxdfu::sim::PlugTerminal("Hot"));
    EXPECT_EQ(List().size(), 1u);
    EXPECT_FALSE(tvxdfu::sim::PlugTerminal("OTHER"));
}

TEST_F(SimulatorBusTest, UnpluggingTheTerminalBeingWrittenEndsItsPart)
{
    Load({ThreePartTerminal("T1")});
    TestPart part(WithSuffix(ThreePartImage(0x040700, 0x010402, 1)), "Firmware");
    ASSERT_EQ(Start("T1", part.Entry()), 0u);
    now += 600;
    ASSERT_EQ(Poll().phase, TVXDFU_PHASE_PIN);
    ASSERT_TRUE(tvxdfu::sim::UnplugTerminal("T1"));
    const StatusPoll end = Poll();
    EXPECT_NE(end.result, 0u);
    EXPECT_EQ(end.phase, TVXDFU_PHASE_PIN);
    EXPECT_EQ(end.status, -72);
    EXPECT_TRUE(List().empty());
}

struct IdentCase {
    std::string terminal;
    uint32_t firmware;
    uint32_t deviceType;
    const char *identNumber;
    bool model460;
    bool secondVendor;
};

TEST_F(SimulatorBusTest, VersionQueryReportsVersionsTypeAndIdentificationText)
{
    const IdentCase kCases[] = {
        {ThreePartTerminal("T1"), 0x01040600, 470, "12345", false, false},
        {BcdTerminal("T1"), 0x0302, 460, "46001", true, false},
        {R"("id": "T1", "model": "VORN 470 M online", "vendorCode": "DEBRV",
            "versionFormat": "three-part", "firmware": "4.5.1", "loader": "1.4.0",
            "deviceType": 470, "identNumber": 7)",
         0x01040501, 471, "00007", false, true},
        {BcdTerminal("T1", R"(, "secondVendor": true)"), 0x0302, 460, "46001", true, true},
    };
    for (const IdentCase &c : kCases) {
        SCOPED_TRACE(c.terminal);
        Load({c.terminal});
        const Versions v = Version("t1");
        ASSERT_EQ(v.result, 0u);
        EXPECT_EQ(v.firmware, c.firmware);
        EXPECT_EQ(v.deviceType, c.deviceType);
        const std::string &text = v.identText;
        const std::size_t length = strnlen(text.data(), 130);
        EXPECT_EQ(text[0], 'F');
        EXPECT_EQ(static_cast<uint8_t>(text[17]), 0xD7);
        EXPECT_EQ(text.substr(68, 5), c.identNumber);
        EXPECT_GE(length, 73u);
        EXPECT_LE(length, 129u);
        EXPECT_EQ(text[10] == '9' && text[11] == ' ', c.model460);
        std::string lower = text.substr(17, 112);
        for (char &ch : lower)
            ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        EXPECT_EQ(lower.find("bravik") != std::string::npos, c.secondVendor);
    }
}

TEST_F(SimulatorBusTest, AttributesTellWhetherTheTerminalCanReadBack)
{
    Load({ThreePartTerminal("UP"), ThreePartTerminal("NOUP", R"(, "canUpload": false)")});
    uint32_t up = 0, noUp = 0, none = 0;
    ASSERT_EQ(GetDFUAttributes("UP", 16, &up), 0u);
    ASSERT_EQ(GetDFUAttributes("NOUP", 16, &noUp), 0u);
    EXPECT_EQ(GetDFUAttributes("ELSE", 16, &none), UPG_NO_DEVICE);
    EXPECT_TRUE(up & TVXDFU_ATTR_CAN_UPLOAD);
    EXPECT_FALSE(noUp & TVXDFU_ATTR_CAN_UPLOAD);
}

// The wizard keeps 16 characters of a listed ID and passes no more.
TEST_F(SimulatorBusTest, LongIdIsAddressedByTheSixteenCharactersTheWizardKeeps)
{
    Load({ThreePartTerminal("ABCDEFGHIJKLMNOPQRST")});
    ASSERT_EQ(List().size(), 1u);
    EXPECT_EQ(List()[0].id, "ABCDEFGHIJKLMNOPQRST");
    uint32_t attributes = 0;
    EXPECT_EQ(GetDFUAttributes("ABCDEFGHIJKLMNOP", 16, &attributes), 0u);
    EXPECT_EQ(GetDFUAttributes("abcdefghijklmnopqrst", 20, &attributes), 0u);
    EXPECT_EQ(GetDFUAttributes("ABCDEFGHIJKLMNO", 16, &attributes), UPG_NO_DEVICE);
}

TEST_F(SimulatorBusTest, ForwardedEventsAreCounted)
{
    Load({ThreePartTerminal("T1")});
    for (uint32_t code : {0x8000u, 0x8004u, 0x8000u})
        EXPECT_EQ(ConfigurationChange(code, nullptr), 0u);
    EXPECT_EQ(tvxdfu::sim::ConfigurationChangeCount(), 3u);
    Load({ThreePartTerminal("T1")});
    EXPECT_EQ(tvxdfu::sim::ConfigurationChangeCount(), 0u);
}

} // namespace
} // namespace tvxtest
