#include "dfulib/sim/PartRun.h"

#include <algorithm>

#include "dfulib/include/TVXDFUUpgrade.h"
#include "dfulib/sim/Share.h"
#include "dfulib/src/BackupFile.h"

namespace tvxdfu::sim {
namespace {

constexpr int kStages = 5;

// Milliseconds needed to move `bytes` at `perSecond`, rounded up.
int64_t TransferTime(uint64_t bytes, int64_t perSecond)
{
    return static_cast<int64_t>((bytes * 1000 + perSecond - 1) / perSecond);
}

} // namespace

PartRun::PartRun(SimulatedTerminal &terminal, int64_t start, std::vector<uint8_t> payload,
                 std::string partType, std::string backupPath)
    : terminal_(&terminal), payload_(std::move(payload)), partType_(std::move(partType)),
      backupPath_(std::move(backupPath)),
      uploadSize_(static_cast<uint32_t>(backupPath_.empty() ? 0 : terminal.Image().size())),
      downloadSize_(payload_.size()), checked_(start)
{
    int64_t at = start;
    for (int i = 0; i < kStages; ++i) {
        stageStart_[i] = at;
        at += StageLength(static_cast<RunStage>(i));
    }
    endAt_ = at;
    backupPending_ = !backupPath_.empty();
    PlanFaults();
    // The terminal detaches and comes back with its loader running.
    if (terminal.Mode() == TerminalMode::Runtime)
        terminal.Restart(StageStart(RunStage::Pin), TerminalMode::Loader);
}

int64_t PartRun::StageLength(RunStage stage) const
{
    const Timing &timing = terminal_->Spec().timing;
    switch (stage) {
    case RunStage::Init:
        return timing.initMs;
    case RunStage::Pin:
        return timing.pinMs * static_cast<int64_t>(terminal_->Spec().pinAttempts.size() + 1);
    case RunStage::Upload:
        return TransferTime(uploadSize_, timing.uploadBytesPerSecond);
    case RunStage::Download:
        return TransferTime(downloadSize_, timing.downloadBytesPerSecond);
    case RunStage::Manifest:
        return timing.manifestMs;
    }
    return 0;
}

int64_t PartRun::PointIn(RunStage stage, uint32_t percent) const
{
    return StageStart(stage) + StageLength(stage) * percent / 100;
}

void PartRun::PlanFaults()
{
    const TerminalSpec &spec = terminal_->Spec();
    auto consider = [this](int64_t at, StatusOutputs outputs, bool unplugs) {
        if (at < faultAt_) {
            faultAt_ = at;
            faultOutputs_ = outputs;
            faultUnplugs_ = unplugs;
        }
    };
    if (const auto &fault = spec.fault.status;
        fault && (fault->stage != RunStage::Upload || backupPending_)) {
        const int64_t at = PointIn(fault->stage, fault->atPercent);
        StatusOutputs outputs = OutputsAt(at);
        if (fault->stage == RunStage::Upload)
            outputs.bytes = static_cast<uint32_t>(uint64_t{uploadSize_} * fault->atPercent / 100);
        if (fault->stage == RunStage::Download)
            outputs.percent = fault->atPercent;
        outputs.status = fault->status;
        consider(at, outputs, false);
    }
    if (spec.pinFailure) {
        const int64_t at = StageStart(RunStage::Upload);
        consider(at, StatusOutputs{0, 0, TVXDFU_PHASE_PIN, *spec.pinFailure}, false);
    }
    if (const auto &percent = spec.fault.unplugAtPercent) {
        const int64_t at = PointIn(RunStage::Download, *percent);
        StatusOutputs outputs = OutputsAt(at);
        outputs.percent = *percent;
        outputs.status = spec.fault.unplugStatus;
        consider(at, outputs, true);
    }
}

StatusOutputs PartRun::OutputsAt(int64_t t) const
{
    StatusOutputs out;
    if (t < StageStart(RunStage::Pin)) {
        out.phase = TVXDFU_PHASE_INIT;
    } else if (t < StageStart(RunStage::Upload)) {
        out.phase = TVXDFU_PHASE_PIN;
        const auto &attempts = terminal_->Spec().pinAttempts;
        const auto prompt =
            static_cast<std::size_t>((t - StageStart(RunStage::Pin)) / terminal_->Spec().timing.pinMs);
        if (prompt < attempts.size())
            out.status = static_cast<int32_t>(attempts[prompt] == PinAttempt::AdjustDisplay
                                                  ? TVXDFU_PIN_PROMPT_ADJUST_DISPLAY
                                                  : TVXDFU_PIN_PROMPT_WRONG_PIN);
    } else if (t < StageStart(RunStage::Download)) {
        out.phase = TVXDFU_PHASE_UPLOAD;
        out.bytes = static_cast<uint32_t>(
            Share(uploadSize_, t - StageStart(RunStage::Upload), StageLength(RunStage::Upload)));
    } else {
        out.phase = TVXDFU_PHASE_DOWNLOAD;
        out.bytes = uploadSize_;
        const uint64_t written =
            Share(downloadSize_, t - StageStart(RunStage::Download), StageLength(RunStage::Download));
        out.percent = downloadSize_ == 0
                          ? 100
                          : static_cast<uint32_t>(std::min<uint64_t>(100, written * 100 / downloadSize_));
    }
    return out;
}

void PartRun::AdvanceTo(int64_t t)
{
    while (!ended_) {
        const int64_t unplug = terminal_->NextUnplugAfter(checked_);
        const int64_t backupAt = backupPending_ ? StageStart(RunStage::Download) : kNever;
        const int64_t manifestAt = manifestPending_ ? StageStart(RunStage::Manifest) : kNever;
        const int64_t next = std::min({faultAt_, backupAt, manifestAt, endAt_, unplug});
        if (next > t) {
            checked_ = std::max(checked_, t);
            return;
        }
        checked_ = next;
        // At equal times a scripted fault comes first, then the finished
        // read-back, then the manifestation, then the end of the part, then
        // the terminal leaving.
        if (next == faultAt_) {
            if (faultUnplugs_)
                terminal_->SetPluggedIn(false);
            EndWith(faultOutputs_);
        } else if (next == backupAt) {
            backupPending_ = false;
            const auto &image = terminal_->Image();
            if (WriteBackupFile(backupPath_.c_str(), image.data(), image.size(), terminal_->BcdDevice(),
                                terminal_->Spec().productId) != 0) {
                StatusOutputs outputs = OutputsAt(next);
                outputs.status = kHostUnexpectedState;
                EndWith(outputs);
            }
        } else if (next == manifestAt) {
            Manifest();
        } else if (next == endAt_) {
            Finish();
        } else {
            StatusOutputs outputs = OutputsAt(next);
            outputs.status = kHostUnexpectedState;
            EndWith(outputs);
        }
    }
}

void PartRun::EndWith(StatusOutputs outputs)
{
    // The terminal stays as the part left it.
    ended_ = true;
    final_ = outputs;
}

void PartRun::Manifest()
{
    // The terminal writes the image into place and restarts into it while
    // the library follows it; normally it is back before the part is
    // reported finished, so the wizard reads the new version at once.
    manifestPending_ = false;
    // A fault still to come lies in the manifestation: nothing is put in
    // place then, and the terminal stays in its loader.
    if (faultAt_ != kNever)
        return;
    const FaultScript &fault = terminal_->Spec().fault;
    const int64_t away = fault.returnAfterMs.value_or(terminal_->Spec().timing.restartMs);
    terminal_->ApplyPart(partType_, std::move(payload_));
    terminal_->Restart(fault.returns ? checked_ + away : kNever, TerminalMode::Runtime);
}

void PartRun::Finish()
{
    ended_ = true;
    succeeded_ = true;
    final_ = StatusOutputs{uploadSize_, 100, TVXDFU_PHASE_FINISHED, 0};
}

uint32_t PartRun::Poll(int64_t t, StatusOutputs *out)
{
    if (!ended_) {
        *out = OutputsAt(t);
        return 0;
    }
    *out = final_;
    if (succeeded_ && !finishReported_) {
        finishReported_ = true;
        return 0;
    }
    return 1;
}

} // namespace tvxdfu::sim
