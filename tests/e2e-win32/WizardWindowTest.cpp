// The Windows wizard, TVXUpgrade.exe, run as a person runs it on the demo's
// simulated terminals: its window driven from this process by messages, every
// box answered OK, a whole upgrade to Finish. With TVX_SCREENSHOT_DIR set,
// the window is photographed at the main steps.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "tests/e2e-win32/WindowDriver.h"

namespace {

// The wizard's controls, as its dialog template numbers them.
constexpr int kDeviceList = 1003, kPackageCombo = 1004, kProgressBar = 1005, kNextButton = 1010,
              kBackupCheck = 1012, kVersionAfter = 1019, kFinishButton = 1;

// A run that never gets to its end must not hang the test.
constexpr int kPollLimit = 5000;
constexpr DWORD kPollMs = 10;

class WizardWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = std::filesystem::path(TVX_WORK_DIR) /
                 ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        // Packed under its file name, so copied under the same one.
        std::filesystem::copy_file(TVX_DEMO_PACKAGE,
                                   folder / std::filesystem::path(TVX_DEMO_PACKAGE).filename());
        const char *shots = std::getenv("TVX_SCREENSHOT_DIR");
        screenshots = shots ? shots : "";
    }

    void TearDown() override
    {
        if (process.hProcess) {
            if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT)
                TerminateProcess(process.hProcess, 99);
            CloseHandle(process.hProcess);
            CloseHandle(process.hThread);
        }
    }

    bool Start()
    {
        SetEnvironmentVariableW(L"TVX_SIMULATOR", L"demo");
        std::wstring command = L"\"" + std::filesystem::path(TVX_WIZARD_PROGRAM).wstring() + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        return CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              folder.wstring().c_str(), &startup, &process);
    }

    void Photograph(HWND window, const std::string &name) const
    {
        if (!screenshots.empty())
            WindowDriver::SaveScreenshot(window, screenshots + "/" + name + ".bmp");
    }

    std::filesystem::path folder;
    std::string screenshots;
    PROCESS_INFORMATION process{};
};

} // namespace

TEST_F(WizardWindow, WholeDemoUpgradeDrivenByMessagesEndsWithFinish)
{
    ASSERT_TRUE(Start());
    WindowDriver driver(process.hProcess);
    std::vector<std::string> boxes; // captions, in order
    std::set<int> positions;
    std::string versionAfter;
    bool finished = false, photographedBox = false, photographedProgress = false;

    // What the person does in the wizard's window, one step after the other,
    // each once the window is ready for it.
    std::size_t next = 0;
    const std::vector<std::function<bool(HWND)>> steps = {
        [&](HWND wizard) { // the VORN 470 with firmware 4.6.0, by its product text
            HWND list = GetDlgItem(wizard, kDeviceList);
            for (int row = 0; row < driver.ListRowCount(list); ++row)
                if (driver.ListItemText(list, row, 1).starts_with("VORN 470 M online KOTRX V 4.6.0")) {
                    driver.ListSelectRow(list, row);
                    Photograph(wizard, "windows-select-terminal");
                    return true;
                }
            return false;
        },
        [&](HWND wizard) {
            HWND nextButton = GetDlgItem(wizard, kNextButton);
            if (!WindowDriver::Usable(nextButton))
                return false;
            WindowDriver::Click(nextButton);
            return true;
        },
        [&](HWND wizard) { // the package the folder offers
            HWND combo = GetDlgItem(wizard, kPackageCombo);
            if (!IsWindowVisible(combo) || SendMessageW(combo, CB_GETCURSEL, 0, 0) < 0 ||
                !WindowDriver::Usable(GetDlgItem(wizard, kNextButton)))
                return false;
            Photograph(wizard, "windows-choose-package");
            WindowDriver::Click(GetDlgItem(wizard, kNextButton));
            return true;
        },
        [&](HWND wizard) { // no backup
            if (!IsWindowVisible(GetDlgItem(wizard, kBackupCheck)) ||
                !WindowDriver::Usable(GetDlgItem(wizard, kNextButton)))
                return false;
            WindowDriver::Click(GetDlgItem(wizard, kNextButton));
            return true;
        },
    };

    int polls = 0;
    while (WaitForSingleObject(process.hProcess, kPollMs) == WAIT_TIMEOUT) {
        ASSERT_LT(++polls, kPollLimit) << "the run did not end; boxes: " << boxes.size();
        HWND wizard = nullptr, box = nullptr;
        for (HWND dialog : driver.Dialogs(process.dwProcessId))
            (GetDlgItem(dialog, kDeviceList) ? wizard : box) = dialog;
        if (box) {
            HWND ok = GetDlgItem(box, IDOK);
            if (!ok || !IsWindowVisible(ok))
                continue;
            const std::string caption = WindowDriver::Text(box);
            if (caption == "Firmware-upgrade start" && !photographedBox) {
                Photograph(box, "windows-start-box");
                photographedBox = true;
            }
            boxes.push_back(caption);
            WindowDriver::Click(ok);
            // The box goes before the next poll looks again.
            while (IsWindowVisible(box) && ++polls < kPollLimit &&
                   WaitForSingleObject(process.hProcess, kPollMs) == WAIT_TIMEOUT) {
            }
            continue;
        }
        if (!wizard)
            continue;
        if (next < steps.size()) {
            if (steps[next](wizard))
                ++next;
            continue;
        }
        HWND bar = GetDlgItem(wizard, kProgressBar);
        if (IsWindowVisible(bar)) {
            const int position = static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0));
            positions.insert(position);
            if (position >= 30 && position <= 80 && !photographedProgress) {
                Photograph(wizard, "windows-upgrade-progress");
                photographedProgress = true;
            }
        }
        HWND finish = GetDlgItem(wizard, kFinishButton);
        if (!finished && WindowDriver::Usable(finish)) {
            versionAfter = WindowDriver::Text(GetDlgItem(wizard, kVersionAfter));
            Photograph(wizard, "windows-finished");
            finished = true;
            WindowDriver::Click(finish);
        }
    }
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);
    EXPECT_TRUE(finished);
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back(), "Firmware upgrade successful");
    EXPECT_NE(versionAfter.find("4.7.0"), std::string::npos) << versionAfter;
    EXPECT_TRUE(positions.count(100));
    EXPECT_GE(positions.size(), 3u) << "the bar moved through the download";
}
