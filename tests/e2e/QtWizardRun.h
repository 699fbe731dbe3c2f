// The wizard on real Qt widgets offscreen with one simulated VORN 470 on the
// real clock and short timings, its bus watched from the event loop, and a
// person at the window: every box answered OK, the steps taken through the
// widgets one after the other, then every tick handed to the test.
#pragma once

#include <QAbstractButton>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/qt/QtDialogWindow.h"
#include "tests/support/DriveFixture.h"

template <class W>
W *Widget(tvx::QtDialogWindow &window, int id)
{
    return qobject_cast<W *>(window.ControlWidget(id));
}

inline void Click(tvx::QtDialogWindow &window, int id)
{
    Widget<QAbstractButton>(window, id)->click();
}

class QtWizardRun : public DriveTest {
protected:
    // The terminal K470Q01 (4.6.0) and fit.ppu (4.7.0) in the test's folder.
    void SetUp() override;

    // Runs the wizard to its end: the person takes `steps` once the window
    // shows, then `watch` runs on every tick. Returns the end code.
    int Run(const std::vector<std::function<void()>> &steps, const std::function<void()> &watch);
    // Selects the terminal, takes the package and goes on without a backup.
    std::vector<std::function<void()>> StepsToTheUpgrade();

    std::unique_ptr<tvx::QtDialogWindow> window;
    std::vector<std::string> boxes; // titles, in order
};
