// The wizard dialog on a recording window, for the operations that read and
// write its fields and rows.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/ScriptedWindow.h"
#include "tests/versions/HandBuiltPackage.h"
#include "wizard/CTVXUpgradeDlg.h"

class DialogTest : public ::testing::Test {
protected:
    // The dialog takes the record and releases it.
    void Load(PackageBuilder &package) { dialog.package.loadedPackage = package.Release(); }
    std::string Row(int id) const { return window.ControlText(id); }

    tvx::ScriptedWindow window{90};
    MonitorMemory monitor;
    CTVXUpgradeDlg dialog{window, monitor};
};
