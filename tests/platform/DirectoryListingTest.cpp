#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DirectoryListing.h"
#include "platform/Utf8Path.h"

namespace {

namespace fs = std::filesystem;

TEST(DirectoryListing, WildcardMatchesWithoutRegardToCase)
{
    struct Case {
        const char *name, *pattern;
        bool matches;
    } const cases[] = {
        {"update.ppu", "*.PPU", true},
        {"UPDATE.PPU", "*.ppu", true},
        {"Update.Ppu", "*.pPu", true},
        {"update.ppux", "*.ppu", false},
        {"update.pp", "*.ppu", false},
        {"a.ppu.bak", "*.ppu", false},
        {"a.b.ppu", "*.ppu", true},
        {".ppu", "*.ppu", true},
        {"ab", "a?", true},
        {"a", "a?", false},
        {"anything", "*", true},
        {"", "*", true},
        {"x", "", false},
        {"aXbXc", "a*b*c", true},
        {"abc", "a**c", true},
    };
    for (const auto &c : cases)
        EXPECT_EQ(tvx::MatchesWildcard(c.name, c.pattern), c.matches) << c.name << " ~ " << c.pattern;
}

class DirectoryListingFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        root =
            fs::temp_directory_path() /
            ("tvx-listing-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(root);
        fs::create_directories(root);
    }
    void TearDown() override { fs::remove_all(root); }
    void File(const std::string &name) { std::ofstream(root / name) << "x"; }
    void Folder(const std::string &name) { fs::create_directory(root / name); }

    fs::path root;
};

TEST_F(DirectoryListingFolder, ParentThenFilesAndFoldersTogetherInNameOrder)
{
    File("beta.PPU");
    File("Alpha.ppu");
    File("gamma.ppu");
    File("notes.txt");   // other extension: left out
    File(".hidden.ppu"); // hidden: left out
    Folder("Charlie");
    Folder("archive");
    Folder("delta.ppu"); // a folder is a folder, whatever its name
    Folder(".cache");

    const std::vector<std::string> expected = {"[..]",      "Alpha.ppu",   "[archive]", "beta.PPU",
                                               "[Charlie]", "[delta.ppu]", "gamma.ppu"};
    EXPECT_EQ(tvx::ListDirectoryEntries(root.string(), "*.ppu"), expected);
}

TEST_F(DirectoryListingFolder, EmptyFolderGivesOnlyTheParent)
{
    EXPECT_EQ(tvx::ListDirectoryEntries(root.string(), "*.ppu"), std::vector<std::string>{"[..]"});
}

// Names reach the program as UTF-8 whatever the system keeps them in (Windows'
// ANSI code page has no room for most of these letters), and sort after
// ASCII's.
TEST_F(DirectoryListingFolder, NamesBeyondAsciiAreListedAsUtf8)
{
    const fs::path practice = root / u8"Jürgen Weiß" / u8"Ärztehaus Müller";
    fs::create_directories(practice / u8"Łódź");
    std::ofstream(practice / u8"Paket ü.ppu") << "x";
    std::ofstream(practice / u8"Zażółć.PPU") << "x";
    std::string folder;
    ASSERT_TRUE(tvx::Utf8FromPath(practice, &folder));
    const auto text = [](std::u8string_view utf8) { return std::string(utf8.begin(), utf8.end()); };
    const std::vector<std::string> expected = {"[..]", text(u8"Paket ü.ppu"), text(u8"Zażółć.PPU"),
                                               text(u8"[Łódź]")};
    EXPECT_EQ(tvx::ListDirectoryEntries(folder, "*.ppu"), expected);
}

TEST(DirectoryListing, RootHasNoParentEntryAndMissingFolderIsEmpty)
{
    const auto rootListing = tvx::ListDirectoryEntries("/", "*.ppu");
    ASSERT_FALSE(rootListing.empty());
    EXPECT_NE(rootListing.front(), "[..]");
    EXPECT_TRUE(tvx::ListDirectoryEntries("/nonexistent/tvx/folder", "*.ppu").empty());
}

} // namespace
