// The real wizard dialog on a scripted window, with one simulated terminal,
// a chosen language and a fresh current folder for the configuration file.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "dfulib/sim/SimulatorControl.h"
#include "platform/Language.h"
#include "platform/ScriptedWindow.h"
#include "tests/support/TemporaryFolder.h"
#include "wizard/CTVXUpgradeDlg.h"

namespace wizardtest {

inline constexpr const char *kTerminalId = "T470";

class WizardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previousFolder_ = std::filesystem::current_path();
        folder_ = MakeTemporaryFolder("wizard-core");
        ASSERT_FALSE(folder_.empty());
        std::filesystem::current_path(folder_);
        SetLanguage("en_US.UTF-8");
        tvxdfu::sim::SetClock([] { return uint64_t{0}; });
        ASSERT_TRUE(tvxdfu::sim::UseScenarioJson(
            std::string(R"({"terminals": [{"id": ")") + kTerminalId +
            R"(", "model": "VORN 470 M online", "vendorCode": "KOTRX", "versionFormat": "three-part",
               "firmware": "4.6.0", "loader": "1.4.2", "deviceType": 470}]})"));
    }

    void TearDown() override
    {
        dialog.reset();
        window.reset();
        tvxdfu::sim::SetClock({});
        std::filesystem::current_path(previousFolder_);
        std::filesystem::remove_all(folder_);
    }

    // The system's language as the locale name `lang` says (none: no locale
    // variable at all). Windows has no variable for it: there the name is
    // the choice of the process, and none the language of the test's Wine.
    static void SetLanguage(const char *lang)
    {
#ifdef _WIN32
        tvx::ChooseLanguage(lang ? tvx::LanguageOfLocale(lang) : 0);
#else
        ::unsetenv("LC_ALL");
        ::unsetenv("LC_MESSAGES");
        if (lang)
            ::setenv("LANG", lang, 1);
        else
            ::unsetenv("LANG");
#endif
    }

    static void WriteConfig(const std::string &bytes)
    {
        std::ofstream(kConfigFile, std::ios::binary) << bytes;
    }

    // Opens the wizard; the answers go to its message boxes in order.
    int Open(std::initializer_list<int> answers = {})
    {
        window = std::make_unique<tvx::ScriptedWindow>(tvx::kWizardTemplateId);
        dialog = std::make_unique<CTVXUpgradeDlg>(*window, monitor);
        for (int answer : answers)
            window->QueueMessageBoxAnswer(answer);
        return dialog->DoModal();
    }

    // Whether device events still reach the dialog: a terminal unplugged and
    // announced leaves the list only when the dialog hears of it.
    bool HearsDeviceEvents()
    {
        const int rows = window->ListRowCount(CTVXUpgradeDlg::deviceList);
        EXPECT_TRUE(tvxdfu::sim::UnplugTerminal(kTerminalId));
        tvx::PostDeviceInterfaceEvent(tvx::DBT_DEVICEREMOVECOMPLETE,
                                      tvx::UsbInterfacePath(0x0470, kTerminalId));
        const bool heard = window->ListRowCount(CTVXUpgradeDlg::deviceList) != rows;
        EXPECT_TRUE(tvxdfu::sim::PlugTerminal(kTerminalId));
        return heard;
    }

    static constexpr const char *kConfigFile = "TVXUpgrade.ini";

    MonitorMemory monitor;
    std::unique_ptr<tvx::ScriptedWindow> window;
    std::unique_ptr<CTVXUpgradeDlg> dialog;

private:
    std::filesystem::path previousFolder_;
    std::filesystem::path folder_;
};

} // namespace wizardtest
