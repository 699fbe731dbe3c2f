// What a screen reader finds in the wizard window: every control it can
// reach named by its caption or by the label beside it, in the user's
// language, with the role of its kind; the progress bar tells its value and
// is labelled by the text above it.
#include <QAccessible>
#include <QAccessibleInterface>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>

#include <cstdlib>
#include <map>

#include "tests/e2e/QtWizardRun.h"

namespace {

struct Seen {
    QAccessible::Role role;
    QString name;
};

// The window's accessible children that are shown, by control id.
std::map<int, Seen> AccessibleControls(tvx::QtDialogWindow &window, const std::vector<int> &ids)
{
    std::map<int, Seen> seen;
    QAccessibleInterface *root = QAccessible::queryAccessibleInterface(window.Widget());
    for (int i = 0; root && i < root->childCount(); ++i) {
        QAccessibleInterface *child = root->child(i);
        if (!child || child->state().invisible)
            continue;
        for (int id : ids)
            if (child->object() == window.ControlWidget(id))
                seen[id] = {child->role(), child->text(QAccessible::Name)};
    }
    return seen;
}

// The expected controls with their role and name; every other control shown
// has a name too.
void ExpectNamed(const std::map<int, Seen> &seen, const std::map<int, Seen> &expected)
{
    for (const auto &[id, control] : expected) {
        SCOPED_TRACE(id);
        const auto found = seen.find(id);
        ASSERT_NE(found, seen.end()) << "not shown";
        EXPECT_EQ(found->second.role, control.role);
        EXPECT_EQ(found->second.name, control.name);
    }
    for (const auto &[id, control] : seen)
        EXPECT_FALSE(control.name.trimmed().isEmpty()) << id;
}

std::vector<int> AllControls()
{
    std::vector<int> ids;
    const tvx::DialogTemplate *wizard = tvx::FindDialogTemplate(tvx::kWizardTemplateId);
    for (std::size_t i = 0; i < wizard->controlCount; ++i)
        ids.push_back(wizard->controls[i].id);
    return ids;
}

} // namespace

TEST_F(QtWizardRun, ScreenReaderFindsEveryControlNamedInTheUsersLanguage)
{
    setenv("LC_ALL", "de_DE.UTF-8", 1);
    tvx::QtDialogWindow &w = *window;
    const std::vector<int> ids = AllControls();
    std::map<int, Seen> opening, upgrade;
    double progressCurrent = -1;
    int barValue = -1;
    bool labelled = false;

    auto steps = StepsToTheUpgrade();
    steps.insert(steps.begin(), [&] { opening = AccessibleControls(w, ids); });
    Run(steps, [&] {
        auto *bar = Widget<QProgressBar>(w, D::progressBar);
        if (upgrade.empty() && bar->isVisible() && bar->value() > 0 && bar->value() < 100) {
            upgrade = AccessibleControls(w, ids);
            QAccessibleInterface *access = QAccessible::queryAccessibleInterface(bar);
            barValue = bar->value();
            progressCurrent =
                access->valueInterface() ? access->valueInterface()->currentValue().toDouble() : -1;
            for (const auto &[label, relation] : access->relations(QAccessible::Label))
                labelled = labelled || label->object() == w.ControlWidget(D::downloadText);
        }
        if (w.ControlWidget(D::finishButton)->isVisible() && w.ControlWidget(D::finishButton)->isEnabled())
            Click(w, D::finishButton);
    });

    const QString caption = "VORN 470 M online Firmware-Update Assistent";
    const QString selectDevice = "Bitte wählen Sie ein Gerät aus:";
    ExpectNamed(opening,
                {{D::bannerPicture, {QAccessible::Graphic, caption}},
                 {D::stepGroup, {QAccessible::Grouping, selectDevice}},
                 {D::deviceList, {QAccessible::Table, selectDevice}},
                 {D::infoGroup, {QAccessible::Grouping, "Informationen:"}},
                 {D::versionBeforeText, {QAccessible::StaticText, "Firmware-Version vor dem Download:"}},
                 {D::nextButton, {QAccessible::Button, "Weiter >"}},
                 {D::cancelButton, {QAccessible::Button, "Abbrechen"}}});
    ExpectNamed(upgrade, {{D::deviceIdText, {QAccessible::StaticText, "ID-Nummer des Gerätes: K470Q01"}},
                          {D::versionViaFileText,
                           {QAccessible::StaticText,
                            "Firmware-Version laut Download-Datei: V 4.7.0 + Loader V 1.4.2"}}});
    ASSERT_TRUE(upgrade.count(D::progressBar)) << "the bar was seen during the download";
    EXPECT_EQ(upgrade[D::progressBar].role, QAccessible::ProgressBar);
    EXPECT_TRUE(upgrade[D::progressBar].name.startsWith("Download: "))
        << qPrintable(upgrade[D::progressBar].name);
    EXPECT_EQ(progressCurrent, barValue);
    EXPECT_TRUE(labelled);
}
