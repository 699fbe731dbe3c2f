// The tvx-drive program: a script from a file or standard input, one JSON
// line per box and the state at the end, exit 0 when the script ran, 1 with
// --strict when the wizard refused a command, and 2 when it could not run.
#include "tests/support/DriveFixture.h"

#include <filesystem>
#include <fstream>

#include "tests/support/ProgramRun.h"

class DriveToolTest : public DriveTest {
protected:
    // Runs tvx-drive in the test's folder with these arguments (already quoted).
    ProgramRun RunProgram(const std::string &arguments)
    {
        return RunInFolder(folder, std::string(TVX_DRIVE_PROGRAM) + " " + arguments);
    }

    void WriteScenario()
    {
        std::ofstream(folder + "/scenario.json")
            << R"({"terminals": [{)" << ThreePartTerminal("K470A01") << "}]}";
    }
};

TEST_F(DriveToolTest, ScriptRunsAWholeUpgradeAndEndsWithTheState)
{
    WriteScenario();
    Pack("fit.ppu", FirmwarePackage470());
    std::ofstream(folder + "/upgrade.txt") << "# a whole upgrade\nselect 0\nnext\npackage 1\nnext\n"
                                              "next   # no backup\nwait-idle\nstate\nfinish\nnext\n";
    const ProgramRun run =
        RunProgram("--scenario " + folder + "/scenario.json --lang de --dir " + folder + " upgrade.txt");

    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> lines = SplitLines(run.out);
    ASSERT_GE(lines.size(), 3u) << run.out;
    int boxes = 0;
    for (const std::string &line : lines)
        boxes += line.starts_with("{\"box\":{") ? 1 : 0;
    EXPECT_EQ(boxes, 5) << run.out; // welcome, preparation, ready, start, success
    EXPECT_NE(run.out.find("\"caption\":\"Das Update des VORN 470 M online war erfolgreich!\""),
              std::string::npos)
        << run.out;
    // The state on request, then once more at the end; "next" after Finish is ignored.
    const std::string &asked = lines[lines.size() - 2];
    const std::string &last = lines.back();
    EXPECT_TRUE(asked.starts_with("{\"state\":{\"step\":")) << asked;
    EXPECT_NE(asked.find("\"finished\":false,\"result\":null"), std::string::npos) << asked;
    EXPECT_NE(asked.find("Firmware Version: V 4.7.0"), std::string::npos) << asked;
    EXPECT_NE(asked.find("\"deviceRows\":[["), std::string::npos) << asked;
    EXPECT_NE(last.find("\"finished\":true,\"result\":1}}"), std::string::npos) << last;
}

TEST_F(DriveToolTest, ScriptThatCannotRunExitsWithTwo)
{
    WriteScenario();
    std::ofstream(folder + "/bad.txt") << "select 0\nfly away\n";
    const ProgramRun bad = RunProgram("--scenario " + folder + "/scenario.json bad.txt");
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.err.find("bad.txt:2: not a command: fly away"), std::string::npos) << bad.err;
    EXPECT_EQ(bad.out, "") << "nothing runs when a line is bad";

    const ProgramRun missing = RunProgram("--scenario " + folder + "/scenario.json no-such-script.txt");
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.err.find("no-such-script.txt"), std::string::npos) << missing.err;

    const ProgramRun noScenario = RunProgram("--scenario " + folder + "/none.json bad.txt");
    EXPECT_EQ(noScenario.exitCode, 2);
}

TEST_F(DriveToolTest, ScriptFromStandardInput)
{
    WriteScenario();
    std::ofstream(folder + "/piped.txt") << "select 0\nstate\n";
    const ProgramRun run = RunProgram("--scenario " + folder + "/scenario.json - <" + folder + "/piped.txt");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> lines = SplitLines(run.out);
    ASSERT_EQ(lines.size(), 4u) << run.out; // two opening boxes, the state asked for, the final state
    EXPECT_NE(lines[2].find("\"1021\":{\"visible\":true,\"enabled\":true,\"text\":\"K470A01\"}"),
              std::string::npos)
        << lines[2];
}

TEST_F(DriveToolTest, CommandLinePathsAreFoundBeforeEnteringTheFolder)
{
    WriteScenario();
    std::filesystem::create_directory(folder + "/run");
    std::ofstream(folder + "/run/marker.ppu").close();
    std::ofstream(folder + "/list.txt") << "select 0\nnext\n"; // the package step lists the folder
    // Script and scenario lie beside the folder the wizard is sent into.
    const ProgramRun run = RunProgram("--dir run --scenario scenario.json list.txt");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> lines = SplitLines(run.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("\"packageEntries\":[\"[..]\",\"marker.ppu\"]"), std::string::npos)
        << lines.back();
}

TEST_F(DriveToolTest, StrictExitsWithOneWhenAnActionWasRefused)
{
    WriteScenario();
    std::ofstream(folder + "/refused.txt") << "select 3\nstate\n"; // the scenario has one terminal
    std::ofstream(folder + "/taken.txt") << "select 0\nstate\n";
    const std::string scenario = "--scenario " + folder + "/scenario.json ";
    const struct {
        std::string arguments;
        int exitCode;
        bool refused;
    } cases[] = {
        {scenario + "refused.txt", 0, true},
        {scenario + "--strict refused.txt", 1, true},
        {scenario + "--strict taken.txt", 0, false},
    };
    for (const auto &c : cases) {
        const ProgramRun run = RunProgram(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments << "\n" << run.err;
        EXPECT_EQ(run.out.find("{\"refused\":\"select 3\"}\n") != std::string::npos, c.refused) << run.out;
        EXPECT_NE(run.out.find("{\"state\":"), std::string::npos) << run.out;
    }
}
