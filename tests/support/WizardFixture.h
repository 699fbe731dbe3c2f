// The wizard dialog on the scripted window, opened in a temporary folder of
// its own with simulated terminals from a scenario file written there, and
// real package files made in the test.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/ScriptedWindow.h"
#include "tools/ppu-tool/PartImageMaker.h"
#include "wizard/CTVXUpgradeDlg.h"

struct TestPart {
    std::string type; // "Pretreatment", "Bootloader", "Firmware"
    PartImageSpec image;
};

struct TestPackage {
    std::string terminalType = "470";
    std::vector<TestPart> parts;
    std::vector<std::string> loaderVersions;
    std::vector<std::string> firmwareVersions;
};

// Writes a signed package with these parts and catalog lists to `path`.
void WriteTestPackage(const std::string &path, const TestPackage &package);

// A generation-1 firmware part with three-part versions (0xMMmmpp).
TestPart ThreePartFirmware(uint32_t firmware, uint32_t loader, uint32_t ident = 12345);
// A generation-0 part with BCD versions at the header offsets of `headerKind`.
TestPart BcdPart(const std::string &type, uint16_t firmware, uint16_t loader, uint8_t headerKind = 0x00);

class WizardTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes a scenario with these terminal entries (JSON object bodies) and
    // opens the wizard on it, its welcome boxes answered with OK.
    void Open(const std::vector<std::string> &terminals);
    // The built-in demo terminals.
    void OpenDemo();

    // Writes a package into the folder; returns its file name.
    std::string Pack(const std::string &name, const TestPackage &package);

    int RowOf(const std::string &id) const;
    // Clicks the terminal's row in the device list.
    void Select(const std::string &id);
    // Selects the terminal and goes on to the package step.
    void GoToPackageStep(const std::string &id);
    std::vector<std::string> ComboItems(int id) const;
    std::string Text(int id) const { return window.ControlText(id); }
    bool Visible(int id) const { return window.IsControlVisible(id); }
    bool Enabled(int id) const { return window.IsControlEnabled(id); }
    std::size_t BoxCount() const { return window.MessageBoxes().size(); }
    const tvx::ScriptedWindow::MessageBoxRecord &LastBox() const { return window.MessageBoxes().back(); }

    std::string folder;
    std::filesystem::path previousFolder;
    // Simulated time: constant unless a test moves it.
    int64_t clockMs = 0;
    int64_t clockStepMs = 0; // added on every reading when not 0
    tvx::ScriptedWindow window{90};
    MonitorMemory monitor;
    std::unique_ptr<CTVXUpgradeDlg> dialog;
};

// The English text of a string-table entry.
std::string EnglishText(unsigned id);
