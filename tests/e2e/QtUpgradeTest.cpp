// One whole upgrade on real Qt widgets offscreen, every box answered and
// every step taken through the widgets as a person would.
#include <QProgressBar>

#include <algorithm>
#include <set>

#include "device/UpgradeTexts.h"
#include "dfulib/include/TVXDFUUpgrade.h"
#include "tests/e2e/QtWizardRun.h"

TEST_F(QtWizardRun, WholeUpgradeOnRealWidgetsEndsWithFinish)
{
    tvx::QtDialogWindow &w = *window;
    std::set<std::string> statusTexts, spinnerFrames;
    std::set<int> positions;
    bool finished = false;
    const int end = Run(StepsToTheUpgrade(), [&] {
        statusTexts.insert(w.ControlText(D::statusText));
        spinnerFrames.insert(w.ControlText(D::slashText));
        if (Widget<QProgressBar>(w, D::progressBar)->isVisible())
            positions.insert(Widget<QProgressBar>(w, D::progressBar)->value());
        if (w.ControlWidget(D::finishButton)->isVisible() && w.ControlWidget(D::finishButton)->isEnabled()) {
            finished = true;
            Click(w, D::finishButton);
        }
    });
    EXPECT_EQ(end, tvx::IDOK);
    EXPECT_TRUE(finished);

    EXPECT_EQ(boxes.size(), 5u); // welcome, preparation, ready, start, success
    EXPECT_EQ(boxes.back(), kSuccessCaption);
    for (unsigned id : {162u, 164u})
        EXPECT_EQ(statusTexts.count(EnglishText(id)), 1u) << id;
    EXPECT_EQ(statusTexts.count(EnglishText(185) + EnglishText(184)), 1u);
    EXPECT_EQ(statusTexts.count(std::string(kFirmwareSucceededText) + "\n\n Firmware Version: V 4.7.0 "), 1u);
    const std::string typed = EnglishText(165).substr(0, 2);
    EXPECT_TRUE(std::any_of(statusTexts.begin(), statusTexts.end(), [&](const std::string &text) {
        return text.size() == 3 && text.starts_with(typed);
    })) << "the installation text typed during manifestation";
    EXPECT_GE(spinnerFrames.size(), 4u); // the turning bar, and empty at the end
    EXPECT_TRUE(positions.count(100));
    EXPECT_GE(positions.size(), 3u) << "the bar moved through the download";
    uint32_t firmware, loader;
    ReadTerminal("K470Q01", &firmware, &loader);
    EXPECT_EQ(firmware, 0x01040700u);
}
