// tvx-drive with a scenario that cannot be used, named on the command line
// or in TVX_SIMULATOR: exit 2, with the library's reason and the file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/ProgramRun.h"

TEST(BadScenario, DriverExitsWithTwoAndTheReason)
{
    const ScratchFolder scratch;
    const std::string &folder = scratch.Path();
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
            const ProgramRun run = scratch.Run(command + " -");
            EXPECT_EQ(run.exitCode, 2);
            EXPECT_NE(run.err.find("TVXDFUUpgrade: scenario " + path + ": "), std::string::npos) << run.err;
            EXPECT_NE(run.err.find(reason), std::string::npos) << run.err;
            EXPECT_NE(run.err.find("tvx-drive: scenario '" + path + "' cannot be used"), std::string::npos)
                << run.err;
        }
    }
}
