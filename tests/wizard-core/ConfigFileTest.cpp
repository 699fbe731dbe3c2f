// The configuration file: reading, splitting, and what the wizard says.
#include "tests/wizard-core/OneTerminalWizard.h"

#include <sys/stat.h>

#include <cerrno>
#include <vector>

#include "config/ConfigFile.h"

using namespace tvx;
using wizardtest::WizardTest;

namespace {

using Names = std::vector<std::string>;

std::string Read(const std::string &name, uint32_t *status)
{
    std::string text = "left over";
    *status = ReadConfigText(name, &text);
    return text;
}

} // namespace

TEST(ConfigNames, SplitAtFullStopsSkippingEmptyNamesUpToSix)
{
    const std::pair<const char *, Names> cases[] = {
        {"fw1.fw2", {"fw1", "fw2"}},
        {"fw1.fw2.", {"fw1", "fw2"}},
        {"..fw1...fw2..", {"fw1", "fw2"}},
        {"a.b.c.d.e.f.g.h", {"a", "b", "c", "d", "e", "f"}},
        {"fw 3.02_\xC3\xA4", {"fw 3", "02_\xC3\xA4"}},
        {"....", {}},
        {"", {}},
    };
    for (const auto &[text, names] : cases)
        EXPECT_EQ(SplitConfigNames(text), names) << text;
}

TEST_F(WizardTest, ConfigTextIsReadOnlyFromAFileOfOneTo255Bytes)
{
    uint32_t status = 0;
    EXPECT_EQ(Read(kConfigFile, &status), "");
    EXPECT_EQ(status, static_cast<uint32_t>(ENOENT));

    WriteConfig("");
    Read(kConfigFile, &status);
    EXPECT_EQ(status, 1006u);

    WriteConfig(std::string(256, 'a'));
    Read(kConfigFile, &status);
    EXPECT_EQ(status, 1006u);

    WriteConfig(std::string(254, 'a') + "\x80");
    EXPECT_EQ(Read(kConfigFile, &status), std::string(254, 'a') + "\x80");
    EXPECT_EQ(status, 0u);

    // Control characters go wherever they stand, a name over two lines included.
    WriteConfig(std::string("\tfw\r\n1.\0fw2\x1f\n", 13));
    EXPECT_EQ(Read(kConfigFile, &status), "fw1.fw2");
    EXPECT_EQ(status, 0u);

    // Neither a folder nor a named pipe is a configuration file; the pipe
    // must not stall the start-up waiting for a writer.
    std::filesystem::remove(kConfigFile);
    std::filesystem::create_directory(kConfigFile);
    Read(kConfigFile, &status);
    EXPECT_EQ(status, 1006u);
#ifndef _WIN32 // a named pipe of Windows is no file in a folder
    std::filesystem::remove(kConfigFile);
    ASSERT_EQ(::mkfifo(kConfigFile, 0600), 0);
    Read(kConfigFile, &status);
    EXPECT_EQ(status, 1006u);
#endif
}

TEST_F(WizardTest, ConfigFileNamingPackagesGivesOneMessageAndTheWizardOpens)
{
    struct Case {
        const char *name;
        std::string content;
        bool message;
    };
    const Case cases[] = {
        {"no file", "", false},
        {"255 bytes", std::string(251, 'f') + ".fw2", true},
        {"256 bytes", std::string(252, 'f') + ".fw2", false},
        {"only control characters", "\r\n\t\x01\r\n", false},
        {"only full stops", ".....", false},
        {"names with extra full stops and line breaks", "..fw\r\n1...fw2", true},
        {"seven names", "a.b.c.d.e.f.g", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(kConfigFile);
        if (!c.content.empty())
            WriteConfig(c.content);
        ASSERT_EQ(Open(), -1);
        const auto &boxes = window->MessageBoxes();
        ASSERT_EQ(boxes.size(), c.message ? 3u : 2u);
        if (c.message) {
            EXPECT_EQ(boxes[0].text, "Please check the TVXUpgrade.ini file! ");
            EXPECT_EQ(boxes[0].caption, "TVXUpgrade");
            EXPECT_EQ(boxes[0].type, MB_ICONERROR);
        }
        // Nothing of a batch is taken up: the wizard opens as without a file.
        EXPECT_EQ(dialog->batch.batchCount, 0u);
        EXPECT_TRUE(dialog->package.packagePath.empty());
        EXPECT_TRUE(dialog->package.backupPath.empty());
        EXPECT_EQ(window->ComboCount(CTVXUpgradeDlg::backupCombo), 0);
        EXPECT_EQ(boxes[boxes.size() - 2].type, 4129u); // the welcome box follows
        dialog->OnCancel();
    }
}

TEST_F(WizardTest, ConfigMessageSpeaksTheSystemLanguage)
{
    WriteConfig("fw1");
    SetLanguage("de_DE.UTF-8");
    ASSERT_EQ(Open(), -1);
    EXPECT_EQ(window->MessageBoxes()[0].text, "Bitte überprüfen Sie die TVXUpgrade.ini Datei!  ");
    dialog->OnCancel();
    SetLanguage("fr_FR.UTF-8");
    ASSERT_EQ(Open(), -1);
    EXPECT_EQ(window->MessageBoxes()[0].text, "Vérifiez le fichier TVXUpgrade.ini s.v.p. ");
}
