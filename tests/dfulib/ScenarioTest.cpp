// Scenario files: what an unusable one does, and the built-in demo.
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tests/dfulib/SimTestFixture.h"
#include "tests/dfulib/TestParts.h"

namespace tvxtest {
namespace {

class ScenarioTest : public SimTest {};

struct BadScenario {
    const char *json;
    const char *reason;
};

TEST_F(ScenarioTest, UnusableScenarioIsReportedAndGivesAnEmptyBus)
{
    const std::string terminal = R"("id": "T1", "model": "VORN 460 M", "vendorCode": "KOTRX",
                                    "versionFormat": "bcd", "firmware": "0x0302",
                                    "loader": "0x0110")";
    const BadScenario kCases[] = {
        {R"({"terminals": [ {"id": )", "not valid JSON"},
        {R"({"terminal": []})", "unknown key \"terminal\""},
        {R"({"terminals": [{"id": "T1"}]})", "\"model\" is missing"},
        {R"({"terminals": [{"id": "T1", "model": "VORN 460 M", "vendorCode": "KOTRX",
             "versionFormat": "three-part", "firmware": "4.6", "loader": "1.0.0"}]})",
         "\"4.6\" is not a version"},
        {R"({"terminals": [{"id": "T1", "model": "VORN 460 M", "vendorCode": "KOTRX",
             "versionFormat": "bcd", "firmware": "0x12345", "loader": "0x0100"}]})",
         "\"0x12345\" is not a version"},
        {R"({"terminals": [{"firmwar": "1.0.0", "id": "T1"}]})", "unknown key \"firmwar\""},
        {R"({"terminals": [{"pin": ["maybe"], "id": "T1", "model": "VORN 460 M",
             "vendorCode": "KOTRX", "versionFormat": "bcd", "firmware": "0x0302",
             "loader": "0x0110"}]})",
         "unknown PIN attempt \"maybe\""},
        {R"({"terminals": [{"pin": ["error", "wrong"], "id": "T1", "model": "VORN 460 M",
             "vendorCode": "KOTRX", "versionFormat": "bcd", "firmware": "0x0302",
             "loader": "0x0110"}]})",
         "follows a failing end"},
        {R"({"terminals": [{"fault": {"phase": "download"}, "id": "T1", "model": "VORN 460 M",
             "vendorCode": "KOTRX", "versionFormat": "bcd", "firmware": "0x0302",
             "loader": "0x0110"}]})",
         "needs a \"status\""},
    };
    const std::string path = ScratchPath("bad_scenario.json");
    for (const BadScenario &c : kCases) {
        SCOPED_TRACE(c.json);
        std::ofstream(path) << c.json;
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(tvxdfu::sim::UseScenario(path));
        const std::string message = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(message.find(path), std::string::npos) << message;
        EXPECT_NE(message.find(c.reason), std::string::npos) << message;
        EXPECT_TRUE(List().empty());
    }

    const std::string twice = "{\"terminals\": [{" + terminal + "}, {" + terminal + "}]}";
    std::ofstream(path) << twice;
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(tvxdfu::sim::UseScenario(path));
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("used twice"), std::string::npos);

    // The wizard could not tell these apart: it keeps 16 characters of an ID.
    std::string sharing = twice;
    sharing.replace(sharing.find("T1"), 2, "ABCDEFGHIJKLMNOP-1");
    sharing.replace(sharing.find("T1"), 2, "abcdefghijklmnop-2");
    std::ofstream(path) << sharing;
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(tvxdfu::sim::UseScenario(path));
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("first 16 characters"), std::string::npos);

    std::remove(path.c_str());
}

// A practice's folder named beyond ASCII: the UTF-8 name the library is
// given is the folder's (on Windows, not a name in the ANSI code page).
TEST_F(ScenarioTest, ScenarioInAFolderNamedBeyondAsciiIsUsed)
{
    const std::string folder = tvxtest::ScratchPath("Ärztehaus Müller");
    const std::filesystem::path folderPath(std::u8string(folder.begin(), folder.end()));
    std::filesystem::remove_all(folderPath);
    ASSERT_TRUE(std::filesystem::create_directory(folderPath));
    std::ofstream(folderPath / u8"Prüfung.json")
        << R"({"terminals": [{"id": "T1", "model": "VORN 460 M", "vendorCode": "KOTRX",
                               "versionFormat": "bcd", "firmware": "0x0302", "loader": "0x0110"}]})";
    EXPECT_TRUE(tvxdfu::sim::UseScenario(folder + "/Prüfung.json"));
    EXPECT_EQ(List().size(), 1u);
    std::filesystem::remove_all(folderPath);
}

// Paths that hold no scenario text at all are named with what they are;
// a huge file is not read.
TEST_F(ScenarioTest, PathWithoutAScenarioTextIsReportedAndGivesAnEmptyBus)
{
    const std::string folder = tvxtest::ScratchPath("scenario-paths");
    std::filesystem::remove_all(folder);
    ASSERT_TRUE(std::filesystem::create_directory(folder));
    std::filesystem::create_directory(folder + "/folder.json");
    std::ofstream(folder + "/empty.json").close();
    std::ofstream(folder + "/huge.json").close();
    std::filesystem::resize_file(folder + "/huge.json", 3ull << 30);
    const std::pair<std::string, const char *> kCases[] = {
        {folder + "/missing.json", "cannot be read"},
        {folder + "/folder.json", "is a folder, not a scenario file"},
        {folder + "/empty.json", "is empty"},
        {folder + "/huge.json", "is larger than 1 MiB, too large for a scenario"},
    };
    for (const auto &[path, reason] : kCases) {
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(tvxdfu::sim::UseScenario(path));
        const std::string message = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(message.find("scenario " + path + ": " + reason + "; no simulated terminals"),
                  std::string::npos)
            << message;
        EXPECT_TRUE(List().empty());
    }
    std::filesystem::remove_all(folder);
}

TEST_F(ScenarioTest, DemoHasOneTerminalOfEachKindAndAPartTakesAboutTwentySeconds)
{
    ASSERT_TRUE(tvxdfu::sim::UseScenario("demo"));
    const std::vector<Listed> listed = List();
    ASSERT_EQ(listed.size(), 5u);
    EXPECT_NE(listed[0].product.find("VORN 470 M online KOTRX V "), std::string::npos);
    EXPECT_EQ(listed[1].product, "VORN 460 M KOTRX RTM");
    EXPECT_NE(listed[2].product.find("DEBRV"), std::string::npos);
    EXPECT_NE(listed[3].product.find(" DFU"), std::string::npos);
    uint32_t attributes = 0;
    ASSERT_EQ(GetDFUAttributes(listed[4].id.c_str(), 16, &attributes), 0u);
    EXPECT_FALSE(attributes & TVXDFU_ATTR_CAN_UPLOAD);
    EXPECT_EQ(Version(listed[1].id.c_str()).firmware, 0x0302u);

    TestPart part(WithSuffix(ThreePartImage(0x040700, 0x010402, 1, std::size_t{128} * 1024)), "Firmware");
    const std::string backup = ScratchPath("demo_backup.dfu");
    const int64_t start = now;
    ASSERT_EQ(Start(listed[0].id.c_str(), part.Entry(), backup.c_str()), 0u);
    PollToEnd(100);
    EXPECT_GE(now - start, 15000);
    EXPECT_LE(now - start, 25000);
    std::remove(backup.c_str());
}

} // namespace
} // namespace tvxtest
