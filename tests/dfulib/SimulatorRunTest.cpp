// A part's life on a simulated terminal as GetUpgradeStatus shows it.
#include <algorithm>

#include "tests/dfulib/SimTestFixture.h"
#include "tests/dfulib/TestParts.h"

namespace tvxtest {
namespace {

using StepList = std::vector<std::pair<uint32_t, int32_t>>;

TestPart FirmwarePart(uint32_t firmware = 0x040700, std::size_t size = 4096)
{
    return {WithSuffix(ThreePartImage(firmware, 0x010402, 23456, size)), "Firmware"};
}

class SimulatorRunTest : public SimTest {};

TEST_F(SimulatorRunTest, PartRunsThroughInitPinUploadDownloadAndFinish)
{
    Load({ThreePartTerminal("T1", R"(, "pin": ["adjust-display", "wrong"])")});
    const std::string backup = ScratchPath("run_backup.dfu");
    TestPart part = FirmwarePart();
    ASSERT_EQ(Start("T1", part.Entry(), backup.c_str()), 0u);

    const std::vector<StatusPoll> polls = PollToEnd();
    EXPECT_EQ(Steps(polls), (StepList{{0, 0}, {4, 0x80}, {4, 0x81}, {4, 0}, {2, 0}, {1, 0}, {3, 0}}));
    // Phase 3 is seen with the result 0 once, then the part reports its end.
    ASSERT_GE(polls.size(), 2u);
    EXPECT_EQ(polls[polls.size() - 2].phase, 3u);
    EXPECT_EQ(polls[polls.size() - 2].result, 0u);
    EXPECT_NE(polls.back().result, 0u);
    EXPECT_EQ(polls.back().status, 0);

    uint32_t lastBytes = 0, lastPercent = 0, pollsAt100 = 0;
    for (const StatusPoll &s : polls) {
        if (s.phase == 2) {
            EXPECT_GE(s.bytes, lastBytes);
            lastBytes = s.bytes;
        }
        if (s.phase == 1) {
            EXPECT_EQ(s.bytes, 4096u) << "the final read-back count stays";
            EXPECT_GE(s.percent, lastPercent);
            lastPercent = s.percent;
            pollsAt100 += s.percent == 100;
        }
    }
    EXPECT_GT(lastBytes, 0u);
    EXPECT_EQ(lastPercent, 100u);
    EXPECT_GE(pollsAt100, 25u) << "the manifestation time is spent at 100 percent";
    std::remove(backup.c_str());
}

TEST_F(SimulatorRunTest, WithoutBackupThereIsNoUploadPhase)
{
    Load({ThreePartTerminal("T1")});
    TestPart part = FirmwarePart();
    ASSERT_EQ(Start("T1", part.Entry()), 0u);
    EXPECT_EQ(Steps(PollToEnd()), (StepList{{0, 0}, {4, 0}, {1, 0}, {3, 0}}));
}

TEST_F(SimulatorRunTest, FailingPinEntryEndsThePartWithItsStatus)
{
    const std::pair<const char *, int32_t> kEnds[] = {
        {"error", -69},      {"aborted", -68},     {"timeout-1min", -67},  {"timeout-10min", -66},
        {"timeout-1h", -65}, {"timeout-24h", -64}, {"timeout-entry", -63},
    };
    for (const auto &[end, status] : kEnds) {
        SCOPED_TRACE(end);
        Load({ThreePartTerminal("T1", std::string(R"(, "pin": ["wrong", ")") + end + "\"]")});
        TestPart part = FirmwarePart();
        ASSERT_EQ(Start("T1", part.Entry()), 0u);
        const std::vector<StatusPoll> polls = PollToEnd();
        EXPECT_EQ(Steps(polls), (StepList{{0, 0}, {4, 0x81}, {4, 0}, {4, status}}));
        EXPECT_NE(polls.back().result, 0u);
        now += 5000;
        EXPECT_EQ(Version("T1").firmware, 0x01040600u) << "nothing was written";
    }
}

struct FaultCase {
    const char *fault;
    uint32_t phase;
    uint32_t percent;
    int32_t status;
    bool stillListed;
};

TEST_F(SimulatorRunTest, ScriptedFaultsEndThePartWhereTheyAreScripted)
{
    const FaultCase kCases[] = {
        {R"({"phase": "download", "atPercent": 40, "status": -84})", 1, 40, -84, true},
        {R"({"phase": "init", "atPercent": 50, "status": -73})", 0, 0, -73, true},
        {R"({"phase": "pin", "status": 5})", 4, 0, 5, true},
        {R"({"phase": "manifest", "atPercent": 50, "status": -80})", 1, 100, -80, true},
        {R"({"unplugAtPercent": 50})", 1, 50, -72, false},
        {R"({"unplugAtPercent": 10, "status": -71})", 1, 10, -71, false},
    };
    for (const FaultCase &c : kCases) {
        SCOPED_TRACE(c.fault);
        Load({ThreePartTerminal("T1", std::string(R"(, "fault": )") + c.fault)});
        TestPart part = FirmwarePart();
        ASSERT_EQ(Start("T1", part.Entry()), 0u);
        const StatusPoll end = PollToEnd().back();
        EXPECT_NE(end.result, 0u);
        EXPECT_EQ(end.phase, c.phase);
        EXPECT_EQ(end.percent, c.percent);
        EXPECT_EQ(end.status, c.status);

        now += 10000;
        const std::vector<Listed> listed = List();
        ASSERT_EQ(listed.size(), c.stillListed ? 1u : 0u);
        if (c.stillListed) {
            // Left in its loader, with the old versions.
            EXPECT_EQ(listed[0].product, "VORN 470 M online KOTRX V 1.4.2 V.4.6.0 DFU");
        } else {
            ASSERT_TRUE(tvxdfu::sim::PlugTerminal("t1"));
            EXPECT_EQ(List().size(), 1u);
        }
        EXPECT_EQ(Version("T1").firmware, 0x01040600u);
    }
}

TEST_F(SimulatorRunTest, RestartShorterThanManifestationIsOverWhenThePartEnds)
{
    Load({ThreePartTerminal("QUICK", "", R"("timing": {"restartMs": 300, "manifestMs": 400})"),
          ThreePartTerminal("SLOW", "", R"("timing": {"restartMs": 500, "manifestMs": 400})")});
    for (const char *id : {"QUICK", "SLOW"}) {
        TestPart part = FirmwarePart();
        ASSERT_EQ(Start(id, part.Entry()), 0u);
        ASSERT_EQ(PollToEnd().back().status, 0);
        const Versions v = Version(id);
        if (std::string(id) == "QUICK") {
            EXPECT_EQ(v.result, 0u);
            EXPECT_EQ(v.firmware, 0x01040700u);
        } else {
            EXPECT_EQ(v.result, UPG_NO_DEVICE);
        }
    }
}

TEST_F(SimulatorRunTest, TerminalComesBackAfterItsScriptedReturnTimeOrNever)
{
    Load({ThreePartTerminal("LATE", R"(, "fault": {"returnAfterMs": 45000})"),
          ThreePartTerminal("GONE", R"(, "fault": {"returns": false})")});
    for (const char *id : {"LATE", "GONE"}) {
        TestPart part = FirmwarePart();
        ASSERT_EQ(Start(id, part.Entry()), 0u);
        PollToEnd();
        const int64_t end = now;
        now = end + 44000;
        EXPECT_EQ(Version(id).result, UPG_NO_DEVICE) << id;
        now = end + 46000;
        const Versions back = Version(id);
        if (std::string(id) == "LATE") {
            EXPECT_EQ(back.result, 0u);
            EXPECT_EQ(back.firmware, 0x01040700u);
        } else {
            EXPECT_EQ(back.result, UPG_NO_DEVICE);
            // Plugged in again by hand, it starts with what it received.
            ASSERT_TRUE(tvxdfu::sim::PlugTerminal(id));
            EXPECT_EQ(Version(id).firmware, 0x01040700u);
        }
    }
}

TEST_F(SimulatorRunTest, StartIsRefusedWithTheLibraryCodes)
{
    Load({ThreePartTerminal("Ab12Cd"), ThreePartTerminal("NOUP", R"(, "canUpload": false)"),
          ThreePartTerminal("REFUSE", R"(, "fault": {"startResult": "0xDF550006"})")});
    const std::string backup = ScratchPath("refused_backup.dfu");

    TestPart foreignVendor(WithSuffix(ThreePartImage(0x040700, 0, 1), 0x1234), "Firmware");
    TestPart anyVendor(WithSuffix(ThreePartImage(0x040700, 0, 1), 0xFFFF), "Firmware");
    TestPart corrupted = FirmwarePart();
    corrupted.Bytes()[1000] ^= 0x01;
    TestPart noSuffix(ThreePartImage(0x040700, 0, 1), "Firmware");
    TestPart good = FirmwarePart();

    EXPECT_EQ(Start("NOSUCH", good.Entry()), UPG_NO_DEVICE);
    EXPECT_EQ(Start("Ab12Cd", foreignVendor.Entry()), UPG_VENDOR_MISMATCH);
    EXPECT_EQ(Start("Ab12Cd", corrupted.Entry()), UPG_CRC_MISMATCH);
    EXPECT_EQ(Start("Ab12Cd", noSuffix.Entry()), UPG_CRC_MISMATCH);
    EXPECT_EQ(Start("Ab12Cd", nullptr), UPG_HOST_ERROR);
    EXPECT_EQ(Start("NOUP", good.Entry(), backup.c_str()), UPG_NO_UPLOAD);
    EXPECT_EQ(Start("REFUSE", good.Entry()), 0xDF550006u);
    const std::string noFolder = ::testing::TempDir() + "no-such-folder/backup.dfu";
    EXPECT_EQ(Start("Ab12Cd", good.Entry(), noFolder.c_str()), UPG_HOST_ERROR);

    // The ID is found in any letter case; a second part waits for the first.
    EXPECT_EQ(Start("aB12cD", anyVendor.Entry()), 0u);
    EXPECT_EQ(Start("NOUP", good.Entry()), UPG_HOST_ERROR);
    PollToEnd();
    EXPECT_EQ(Start("NOUP", good.Entry()), 0u);
}

struct VersionCase {
    const char *name;
    bool bcdTerminal;
    std::vector<uint8_t> image;
    const char *type;
    uint32_t firmware;
    uint32_t loader;
    const char *product;
};

TEST_F(SimulatorRunTest, WrittenPartSetsTheVersionItsTypeAndHeaderName)
{
    const VersionCase kCases[] = {
        {"firmware, layout 1", false, ThreePartImage(0x040700, 0x010500, 1), "Firmware", 0x01040700,
         0x01010402, "VORN 470 M online KOTRX V 4.7.0 V.1.4.2 RTM"},
        {"loader, layout 2", false, ThreePartImage(0x040700, 0x010500, 1, 4096, 2), "Bootloader", 0x01040600,
         0x01010500, "VORN 470 M online KOTRX V 4.6.0 V.1.5.0 RTM"},
        {"pretreatment", false, ThreePartImage(0x040700, 0x010500, 1), "Pretreatment", 0x01040600, 0x01010402,
         "VORN 470 M online KOTRX V 4.6.0 V.1.4.2 RTM"},
        {"firmware field beyond the image", false, ThreePartImage(0x040700, 0x010500, 1, 350), "Firmware",
         0x01040600, 0x01010402, "VORN 470 M online KOTRX V 4.6.0 V.1.4.2 RTM"},
        {"bcd, layout 0x00", true, BcdImage(0x0319, 0x0120), "Firmware", 0x0319, 0x0110,
         "VORN 460 M KOTRX RTM"},
        {"bcd, layout 0x10", true, BcdImage(0x0320, 0x0120, 4096, 0x10), "Firmware", 0x0320, 0x0110,
         "VORN 460 M KOTRX RTM"},
        {"bcd loader", true, BcdImage(0x0320, 0x0120), "Bootloader", 0x0302, 0x0120, "VORN 460 M KOTRX RTM"},
        {"bcd terminal receives a generation-1 image", true, ThreePartImage(0x050000, 0x020000, 7),
         "Firmware", 0x01050000, 0x01020000, "VORN 460 M KOTRX V 5.0.0 V.2.0.0 RTM"},
    };
    for (const VersionCase &c : kCases) {
        SCOPED_TRACE(c.name);
        Load({c.bcdTerminal ? BcdTerminal("T1") : ThreePartTerminal("T1")});
        TestPart part(WithSuffix(c.image), c.type);
        ASSERT_EQ(Start("T1", part.Entry()), 0u);
        ASSERT_EQ(PollToEnd().back().status, 0);
        now += 1000; // past the restart
        const Versions v = Version("T1");
        ASSERT_EQ(v.result, 0u);
        EXPECT_EQ(v.firmware, c.firmware);
        EXPECT_EQ(v.loader, c.loader);
        EXPECT_EQ(List(), (std::vector<Listed>{{c.product, "T1"}}));
    }
}

TEST_F(SimulatorRunTest, FirmwareImageCarriesItsIdentificationNumberIntoTheTerminal)
{
    Load({ThreePartTerminal("T1")});
    TestPart part = FirmwarePart();
    EXPECT_EQ(Version("T1").identText.substr(68, 5), "12345");
    ASSERT_EQ(Start("T1", part.Entry()), 0u);
    PollToEnd();
    now += 1000;
    EXPECT_EQ(Version("T1").identText.substr(68, 5), "23456");
}

TEST_F(SimulatorRunTest, StatusWithoutAnyPartIsAHostError)
{
    Load({ThreePartTerminal("T1")});
    EXPECT_EQ(Poll().result, UPG_HOST_ERROR);
}

} // namespace
} // namespace tvxtest
