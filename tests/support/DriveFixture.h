// Whole upgrades through the headless driver, in process: simulated
// terminals from a scenario written by the test, packages made in a folder of
// the test's own, script lines run one at a time, and the texts the window
// showed while the virtual clock moved on, recorded in order.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/RecordingSleepInhibitor.h"
#include "tests/support/WizardFixture.h"
#include "tools/tvx-drive/Driver.h"

using D = CTVXUpgradeDlg;

// Timings short enough for a quick run, long enough that every absence of a
// terminal is seen by the bus watcher.
inline const std::string kQuickTiming =
    R"("timing": {"initMs": 300, "pinMs": 400, "restartMs": 300, "manifestMs": 800})";

// A three-part VORN 470 (firmware 4.6.0, loader 1.4.2) with ID `id`; `extra`
// adds keys to its scenario entry.
std::string ThreePartTerminal(const std::string &id, const std::string &extra = "");
// A BCD VORN 460 (firmware 3.02, loader `loader`).
std::string BcdTerminal(const std::string &id, const std::string &loader, const std::string &extra = "");

// Whether `expected` appear in `texts` in this order (others may come between).
bool InOrder(const std::vector<std::string> &texts, const std::vector<std::string> &expected);
// The texts one a line, for failure messages.
std::string Lines(const std::vector<std::string> &texts);

// The one-part package that fits ThreePartTerminal: firmware 4.7.0.
TestPackage FirmwarePackage470();

// Pretreatment, loader 1.11 and firmware 3.20.0 for BcdTerminal; the
// catalog supports firmware 3.02 and names loader 1.11.
TestPackage Package460();

// Captions and texts by which the wizard's own boxes are told apart.
inline constexpr const char *kReadyCaption = "The device is ready for the firmware-upgrade";
inline constexpr const char *kStartCaption = "Firmware-upgrade start";
inline constexpr const char *kSuccessCaption = "Firmware upgrade successful";
inline constexpr const char *kUserAbortCaption = "Firmware upgrade aborted.";
inline constexpr const char *kDeviceAbortText =
    "Some patient data could remain in the terminal, please make sure it is deleted";

class DriveTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Loads a scenario with these terminal entries (JSON object bodies),
    // starts the driver and opens the wizard, its opening boxes answered OK.
    void Start(const std::vector<std::string> &terminals);
    // Starts the driver in real time on the device library's backend as it
    // stands (USB), device events delivered by `pump`, and opens the wizard.
    void StartOnUsb(tvx::drive::EventPump pump);
    // Writes a package into the test's folder; returns its file name.
    std::string Pack(const std::string &name, const TestPackage &package);
    // Writes a package with this catalog text and these part images, named
    // fw.dfu, part1.dfu, ... in the order given.
    std::string PackWithCatalog(const std::string &name, const std::string &catalog,
                                const std::vector<std::vector<uint8_t>> &images);
    // Runs script lines, one command a line.
    void Drive(const std::string &script);
    // The usual way to the upgrade step: select the row, the package, no backup.
    void DriveToUpgrade(int row, const std::string &package);
    // Moves the clock on 10 ms at a time, recording every text the window
    // shows, until the wizard waits for a person or the dialog has ended.
    void Follow(uint64_t limitMs = 200'000);
    bool WaitingForPerson() const;

    // The texts a control showed, each change once, in order.
    const std::vector<std::string> &Shown(int id) { return shown_[id]; }
    // The boxes shown from the `from`-th on, each by its caption, or by its
    // text where captions are shared (string-table texts, the device boxes).
    std::vector<std::string> Boxes(std::size_t from = 0) const;
    std::size_t BoxCount() const { return Window().MessageBoxes().size(); }
    int Count(const std::string &label) const;

    tvx::ScriptedWindow &Window() const { return driver_->Window(); }
    CTVXUpgradeDlg &Dialog() const { return driver_->Dialog(); }
    std::string Text(int id) const { return Window().ControlText(id); }
    bool Visible(int id) const { return Window().IsControlVisible(id); }
    bool Enabled(int id) const { return Window().IsControlEnabled(id); }
    // Visible and enabled: a person can click it.
    bool Usable(int id) const { return Visible(id) && Enabled(id); }
    // The terminal's versions as the device library reports them now.
    void ReadTerminal(const std::string &id, uint32_t *firmware, uint32_t *loader) const;

    // Ends the run as a program that quits would: the dialog is destroyed.
    void DestroyDialog() { driver_.reset(); }

    std::string folder;
    std::ostringstream transcript;
    // The lock the wizard holds while it writes; a fixture may give it
    // another one before Start.
    tvx::RecordingSleepInhibitor recordedSleepLock;
    tvx::SleepInhibitor *sleepLock = &recordedSleepLock;

private:
    void Record();

    std::filesystem::path previousFolder_;
    std::unique_ptr<tvx::drive::Driver> driver_;
    std::map<int, std::vector<std::string>> shown_;
};
