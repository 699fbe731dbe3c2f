#include "tools/tvx-drive/Driver.h"

#include <charconv>
#include <cmath>
#include <sstream>
#include <thread>

#include "dfulib/include/TVXDFUUpgrade.h"
#include "dfulib/sim/SimulatorControl.h"
#include "res/Resources.h"
#include "tools/cli/JsonOutput.h"

namespace tvx::drive {
namespace {

// Device events and the simulator advance in steps no longer than this, so a
// terminal's restart is seen as a removal and an arrival.
constexpr uint64_t kStepMs = 100;
constexpr uint64_t kDefaultIdleLimitMs = 600'000;

bool ParseNumber(const std::string &text, long long *value)
{
    const char *end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, *value);
    return ec == std::errc() && ptr == end;
}

bool ParseSeconds(const std::string &text, uint64_t *ms)
{
    std::istringstream in(text);
    double seconds = 0;
    if (!(in >> seconds) || !in.eof() || seconds < 0 || seconds > 1e7)
        return false;
    *ms = static_cast<uint64_t>(std::llround(seconds * 1000.0));
    return true;
}

using tvx::cli::Json;
using tvx::cli::WriteJsonLine;

} // namespace

Driver::Driver(std::ostream &out, SleepInhibitor &sleepLock)
    : out_(out), sleepLock_(sleepLock), window_(kWizardTemplateId), watcher_(ListVORNDevices)
{
    tvxdfu::sim::SetClock([this] { return static_cast<int64_t>(window_.Now()); });
    window_.SetStepHook([this](uint64_t nowMs) { Step(nowMs); });
    watcher_.Poll(); // takes note of the terminals already attached
}

Driver::Driver(std::ostream &out, EventPump pump, SleepInhibitor &sleepLock)
    : out_(out), sleepLock_(sleepLock), window_(kWizardTemplateId), watcher_(ListVORNDevices),
      pump_(std::move(pump)), start_(std::chrono::steady_clock::now())
{
    window_.SetStepHook([this](uint64_t nowMs) { Step(nowMs); });
}

Driver::~Driver()
{
    dialog_.reset();
    if (!pump_)
        tvxdfu::sim::SetClock(nullptr);
}

void Driver::Step(uint64_t nowMs)
{
    if (!pump_) {
        watcher_.Poll();
        return;
    }
    std::this_thread::sleep_until(start_ + std::chrono::milliseconds(nowMs));
    pump_();
}

void Driver::Open()
{
    if (opened_)
        return;
    opened_ = true;
    dialog_ = std::make_unique<CTVXUpgradeDlg>(window_, monitor_, sleepLock_);
    dialog_->DoModal();
    FlushBoxes();
}

bool ParseCommand(const std::string &line, Command *command, std::string *error)
{
    std::istringstream words(line.substr(0, line.find('#')));
    std::string extra;
    *command = Command{};
    words >> command->name >> command->argument >> extra;
    const std::string &name = command->name;
    const std::string &argument = command->argument;
    command->numeric = ParseNumber(argument, &command->number);
    const bool none = argument.empty();
    const bool valid =
        name.empty() ||
        (extra.empty() &&
         ((name == "select" && command->numeric) || (name == "package" && !none) ||
          (name == "backup" && !none) || (name == "answer" && (argument == "ok" || argument == "cancel")) ||
          ((name == "next" || name == "about" || name == "cancel" || name == "finish" || name == "state") &&
           none) ||
          (name == "wait" && ParseSeconds(argument, &command->ms)) ||
          (name == "wait-idle" && (none || ParseSeconds(argument, &command->ms))) ||
          ((name == "plug" || name == "unplug") && !none)));
    if (!valid)
        *error = "not a command: " + line;
    return valid;
}

void Driver::Run(const Command &command)
{
    const std::string &name = command.name;
    const std::string &argument = command.argument;
    if (name.empty())
        return;
    if (name == "answer") {
        window_.QueueMessageBoxAnswer(argument == "ok" ? IDOK : IDCANCEL);
        return;
    }
    Open();
    if (name == "state") {
        WriteState();
        return;
    }
    if (window_.IsEnded())
        return;

    bool done = true;
    if (name == "select") {
        done = window_.SelectListRow(CTVXUpgradeDlg::deviceList, static_cast<int>(command.number));
    } else if (name == "next") {
        done = window_.ClickButton(CTVXUpgradeDlg::nextButton);
    } else if (name == "package") {
        if (command.numeric) {
            done = window_.SelectComboItem(CTVXUpgradeDlg::packageCombo, static_cast<int>(command.number));
        } else {
            window_.QueueFileDialogPath(argument);
            done = window_.ClickButton(CTVXUpgradeDlg::searchButton);
        }
    } else if (name == "backup") {
        const bool checked = window_.CheckState(CTVXUpgradeDlg::backupCheck) != BST_UNCHECKED;
        if (argument == "off") {
            done = !checked || window_.ClickButton(CTVXUpgradeDlg::backupCheck);
        } else {
            done = checked || window_.ClickButton(CTVXUpgradeDlg::backupCheck);
            window_.QueueFileDialogPath(argument);
            done = done && window_.ClickButton(CTVXUpgradeDlg::searchButton);
        }
    } else if (name == "about") {
        done = window_.SysCommand(kAboutCommandId);
    } else if (name == "cancel") {
        done = window_.ClickButton(CTVXUpgradeDlg::cancelButton);
    } else if (name == "finish") {
        done = window_.ClickButton(CTVXUpgradeDlg::finishButton);
    } else if (name == "wait") {
        Advance(command.ms);
    } else if (name == "wait-idle") {
        WaitIdle(argument.empty() ? kDefaultIdleLimitMs : command.ms);
    } else if (name == "plug" || name == "unplug") {
        done = name == "plug" ? tvxdfu::sim::PlugTerminal(argument) : tvxdfu::sim::UnplugTerminal(argument);
        if (!pump_)
            watcher_.Poll();
    }
    FlushBoxes();
    if (!done) {
        ++refusals_;
        WriteJsonLine(out_, {{"refused", name + (argument.empty() ? "" : " " + argument)}});
    }
}

void Driver::Advance(uint64_t ms)
{
    while (ms > 0 && !window_.IsEnded() && !Stopped()) {
        const uint64_t step = ms < kStepMs ? ms : kStepMs;
        window_.AdvanceBy(step);
        ms -= step;
    }
}

bool Driver::WaitingForPerson() const
{
    if (window_.IsEnded())
        return true;
    for (unsigned timer : {ProgressTimer, SpinnerTimer, ReturnTimer})
        if (window_.IsTimerActive(timer))
            return false;
    for (int button :
         {CTVXUpgradeDlg::finishButton, CTVXUpgradeDlg::cancelButton, CTVXUpgradeDlg::nextButton})
        if (window_.IsControlVisible(button) && window_.IsControlEnabled(button))
            return true;
    return false;
}

void Driver::WaitIdle(uint64_t limitMs)
{
    for (uint64_t waited = 0; !WaitingForPerson() && !Stopped() && waited < limitMs; waited += kStepMs) {
        Advance(kStepMs);
        FlushBoxes();
    }
}

void Driver::FlushBoxes()
{
    const auto &boxes = window_.MessageBoxes();
    for (; boxesWritten_ < boxes.size(); ++boxesWritten_) {
        const auto &box = boxes[boxesWritten_];
        WriteJsonLine(
            out_,
            {{"box",
              {{"caption", box.caption}, {"text", box.text}, {"type", box.type}, {"answer", box.answer}}}});
    }
    const auto &children = window_.ChildDialogs();
    for (; aboutBoxesWritten_ < children.size(); ++aboutBoxesWritten_) {
        const auto &child = children[aboutBoxesWritten_];
        Json texts = Json::object();
        for (const auto &[id, text] : child.texts)
            texts[std::to_string(id)] = text;
        WriteJsonLine(out_, {{"about", {{"caption", child.caption}, {"texts", texts}}}});
    }
}

void Driver::WriteState()
{
    FlushBoxes();
    Json controls = Json::object();
    const DialogTemplate *dialogTemplate = FindDialogTemplate(kWizardTemplateId);
    for (std::size_t i = 0; dialogTemplate && i < dialogTemplate->controlCount; ++i) {
        const int id = dialogTemplate->controls[i].id;
        if (id < 0)
            continue;
        Json control = {{"visible", window_.IsControlVisible(id)},
                        {"enabled", window_.IsControlEnabled(id)},
                        {"text", window_.ControlText(id)}};
        if (id == CTVXUpgradeDlg::backupCheck)
            control["checked"] = window_.CheckState(id);
        if (id == CTVXUpgradeDlg::progressBar)
            control["position"] = window_.ProgressPosition(id);
        controls[std::to_string(id)] = control;
    }
    Json deviceRows = Json::array();
    for (int row = 0; row < window_.ListRowCount(CTVXUpgradeDlg::deviceList); ++row) {
        Json columns = Json::array();
        for (int column = 0; column < 3; ++column)
            columns.push_back(window_.ListItemText(CTVXUpgradeDlg::deviceList, row, column));
        deviceRows.push_back(columns);
    }
    Json packageEntries = Json::array();
    for (int i = 0; i < window_.ComboCount(CTVXUpgradeDlg::packageCombo); ++i)
        packageEntries.push_back(window_.ComboItemText(CTVXUpgradeDlg::packageCombo, i));
    const bool ended = window_.IsEnded();
    WriteJsonLine(out_, {{"state",
                          {{"step", static_cast<int>(dialog_->currentStep)},
                           {"stage", dialog_->run.upgradeStage},
                           {"controls", controls},
                           {"deviceRows", deviceRows},
                           {"packageEntries", packageEntries},
                           {"finished", ended},
                           {"result", ended ? Json(window_.EndCode()) : Json(nullptr)}}}});
}

void Driver::Finish()
{
    Open();
    WriteState();
}

} // namespace tvx::drive
