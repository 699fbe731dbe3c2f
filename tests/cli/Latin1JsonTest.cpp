// The tools' JSON lines stay valid UTF-8 when what they report is not: a
// catalog written in Latin-1, files named in Latin-1. Bytes that are not
// UTF-8 come out as U+FFFD; every line parses with a strict JSON parser.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include "tests/support/ProgramRun.h"

namespace {

using nlohmann::json;

const std::string kReplacement = "\xEF\xBF\xBD"; // U+FFFD in UTF-8

// Every line of the output as JSON; a line that does not parse fails the test.
std::vector<json> ParseLines(const std::string &output)
{
    std::vector<json> objects;
    for (const std::string &line : SplitLines(output)) {
        json object = json::parse(line, nullptr, false);
        EXPECT_FALSE(object.is_discarded()) << line;
        objects.push_back(object);
    }
    return objects;
}

// A package made by ppu-tool from a Latin-1 catalog and an image whose file
// name is Latin-1: "Soci\xe9t\xe9", "fw\xe9.dfu", "Pr\xfc" "fung".
void MakeLatin1Package(const ScratchFolder &folder, const std::string &name)
{
    std::ofstream(folder.Path() + "/catalog.json")
        << "{\"Catalog version\": \"2\", \"Overview\": {\"Company\": \"Soci\xe9t\xe9\", \"Subject\": "
           "\"Caf\xe9\"},"
           " \"Terminal information\": {\"Terminal type\": \"470\","
           " \"Bootloader supported versions\": [{\"Version\": \"1.4.2\"}],"
           " \"Firmware supported versions\": [{\"Version\": \"4.6.0\"}]},"
           " \"File list\": [{\"File name\": \"fw\xe9.dfu\", \"Type\": \"Firmware\", \"Subject\": \"Pr\xfc"
           "fung\"}]}";
    const std::string tool = PPU_TOOL;
    ASSERT_EQ(
        folder.Run(tool + " make-image --generation 1 --firmware 4.7.0 --loader 1.4.2 --output fw\xe9.dfu")
            .exitCode,
        0);
    const ProgramRun packed = folder.Run(
        tool + " pack --catalog catalog.json --key " TVX_DEV_KEYS_DIR "/package-signing.pem --output " +
        name + " fw\xe9.dfu");
    ASSERT_EQ(packed.exitCode, 0) << packed.err;
}

} // namespace

TEST(Latin1Json, InspectOfALatin1CatalogParses)
{
    const ScratchFolder folder;
    MakeLatin1Package(folder, "latin1.ppu");
    const ProgramRun run = folder.Run(std::string(PPU_TOOL) + " inspect --json latin1.ppu");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<json> lines = ParseLines(run.out);
    ASSERT_EQ(lines.size(), 1u) << run.out;
    const json &root = lines[0];
    EXPECT_EQ(root["catalog"]["company"], "Soci" + kReplacement + "t" + kReplacement);
    EXPECT_EQ(root["catalog"]["subject"], "Caf" + kReplacement);
    EXPECT_EQ(root["parts"][0]["name"], "fw" + kReplacement + ".dfu");
    EXPECT_EQ(root["parts"][0]["subject"], "Pr" + kReplacement + "fung");
    EXPECT_EQ(root["parts"][0]["installs"], json({{"firmware", "4.7.0"}, {"loader", "1.4.2"}, {"ident", 0}}));
}

TEST(Latin1Json, DriverTranscriptOfALatin1FolderParses)
{
    const ScratchFolder folder;
    MakeLatin1Package(folder, "caf\xe9.ppu");
    std::filesystem::create_directory(folder.Path() + "/d\xe9p\xf4t");
    // Through the package step with the Latin-1 named package, which is then
    // named in the boxes and the information rows.
    std::ofstream(folder.Path() + "/script.txt") << "select 0\nnext\npackage 1\nnext\nstate\n";
    const ProgramRun run =
        folder.Run(std::string(TVX_DRIVE_PROGRAM) + " --scenario demo --lang de script.txt");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<json> lines = ParseLines(run.out);
    ASSERT_GE(lines.size(), 2u) << run.out;
    const json &state = lines.back()["state"];
    const json entries = state["packageEntries"];
    EXPECT_NE(std::find(entries.begin(), entries.end(), "caf" + kReplacement + ".ppu"), entries.end())
        << entries;
    EXPECT_NE(std::find(entries.begin(), entries.end(), "[d" + kReplacement + "p" + kReplacement + "t]"),
              entries.end())
        << entries;
}
