// tvx-drive with a scenario that cannot be used, named on the command line
// or in TVX_SIMULATOR: exit 2, with the library's reason and the file.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

struct DriveRun {
    int exitCode = -1;
    std::string err;
};

DriveRun RunDrive(const std::string &folder, const std::string &command)
{
    const std::string errPath = folder + "/err.txt";
    const int status = std::system((command + " - </dev/null >/dev/null 2>" + errPath).c_str());
    std::ifstream err(errPath);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1,
            {std::istreambuf_iterator<char>(err), std::istreambuf_iterator<char>()}};
}

} // namespace

TEST(BadScenario, DriverExitsWithTwoAndTheReason)
{
    std::string folder = ::testing::TempDir() + "tvx-bad-scenarios-XXXXXX";
    ASSERT_NE(mkdtemp(folder.data()), nullptr);
    std::filesystem::create_directory(folder + "/folder.json");
    std::ofstream(folder + "/truncated.json") << R"({"terminals": [{"id": "K1", )";
    std::ofstream(folder + "/empty.json").close();
    std::ofstream(folder + "/misspelt.json") << R"({"terminal": []})";
    const std::pair<const char *, const char *> cases[] = {
        {"truncated.json", "not valid JSON"},
        {"empty.json", "is empty"},
        {"folder.json", "is a folder, not a scenario file"},
        {"misspelt.json", "unknown key \"terminal\""},
        {"missing.json", "cannot be read"},
    };
    for (const auto &[name, reason] : cases) {
        const std::string path = folder + "/" + name;
        for (const std::string &command : {std::string(TVX_DRIVE_PROGRAM) + " --scenario " + path,
                                           "TVX_SIMULATOR=" + path + " " + TVX_DRIVE_PROGRAM}) {
            SCOPED_TRACE(command);
            const DriveRun run = RunDrive(folder, command);
            EXPECT_EQ(run.exitCode, 2);
            EXPECT_NE(run.err.find("TVXDFUUpgrade: scenario " + path + ": "), std::string::npos) << run.err;
            EXPECT_NE(run.err.find(reason), std::string::npos) << run.err;
            EXPECT_NE(run.err.find("tvx-drive: scenario '" + path + "' cannot be used"), std::string::npos)
                << run.err;
        }
    }
    std::filesystem::remove_all(folder);
}
