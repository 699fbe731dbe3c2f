// The progress monitor: polls the library every 10 ms and turns phases and
// percentages into texts and the progress bar, then ends the part.
#include "wizard/CTVXUpgradeDlg.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "device/UpgradeTexts.h"
#include "dfulib/include/TVXDFUUpgrade.h"
#include "versions/TextFormat.h"

namespace {

// Status codes -90..-63 have string-table texts 102..129.
constexpr int kFirstStatusText = 102;
constexpr int kLastStatusText = 129;
constexpr int kStatusTextBase = 192;

} // namespace

void CTVXUpgradeDlg::OnProgressTimer()
{
    // Changes: run.
    if (run.progressTimerId == 0)
        return; // a tick that was under way when the part ended
    uint32_t bytes = 0, percent = 0, phase = 0;
    int32_t status = 0;
    if (GetUpgradeStatus(&bytes, &percent, &phase, &status) != 0) {
        EndOfPart(status);
        return;
    }
    uint32_t prompt = 0;
    if (status == static_cast<int32_t>(TVXDFU_PIN_PROMPT_ADJUST_DISPLAY) ||
        status == static_cast<int32_t>(TVXDFU_PIN_PROMPT_WRONG_PIN)) {
        prompt = static_cast<uint32_t>(status);
        status = 0;
    } else if (status != 0) {
        EndOfPart(status);
        return;
    }

    bool unrecognisedPhase = false;
    switch (phase) {
    case TVXDFU_PHASE_INIT:
        if (!monitor.initShown) {
            monitor.initShown = true;
            window.ShowControl(slashText, true);
            window.SetControlText(statusText, localText(162));
        }
        break;
    case TVXDFU_PHASE_PIN:
        if (prompt != monitor.lastPinStatus || !monitor.pinShown) {
            monitor.lastPinStatus = prompt;
            monitor.initShown = false;
            monitor.pinShown = true;
            window.ShowControl(slashText, true);
            const std::string request = localText(184);
            if (prompt == TVXDFU_PIN_PROMPT_ADJUST_DISPLAY)
                window.SetControlText(statusText, localText(185) + request);
            else if (prompt == TVXDFU_PIN_PROMPT_WRONG_PIN)
                window.SetControlText(statusText, localText(186) + request);
            else
                window.SetControlText(statusText, request);
        }
        break;
    case TVXDFU_PHASE_UPLOAD:
        if (!monitor.uploadShown) {
            monitor.uploadShown = true;
            window.SetControlText(statusText, localText(163));
            if (!window.IsControlVisible(uploadText)) {
                window.ShowControl(downloadText, false);
                window.ShowControl(uploadText, true);
            }
        }
        window.SetControlText(uploadText, Format("Upload: %u byte", bytes));
        break;
    case TVXDFU_PHASE_DOWNLOAD:
        if (!monitor.downloadShown) {
            monitor.downloadShown = true;
            window.SetControlText(statusText, localText(164));
            if (window.IsControlVisible(uploadText))
                window.SetControlText(uploadText, Format("Upload: %u byte", bytes));
            if (!window.IsControlVisible(progressBar)) {
                window.ShowControl(progressBar, true);
                window.ShowControl(downloadText, true);
            }
        }
        if (!monitor.manifestStarted && percent != monitor.lastPercent) {
            monitor.lastPercent = percent;
            window.SetControlText(downloadText, Format("Download: %u %%", percent));
            window.SetProgressPosition(progressBar, static_cast<int>(percent));
        }
        break;
    case TVXDFU_PHASE_FINISHED:
        run.upgradeStage = StageRestarting;
        if (window.IsControlVisible(progressBar))
            window.SetProgressPosition(progressBar, 100);
        if (window.IsControlVisible(downloadText))
            window.SetControlText(downloadText, "Manifestation: 100%");
        EndOfPart(status);
        return;
    default:
        unrecognisedPhase = true;
        break;
    }

    if (percent == 100) {
        if (!monitor.manifestStarted) {
            window.SetControlText(downloadText, "Download: 100 %");
            window.SetProgressPosition(progressBar, 100);
            monitor.manifestStarted = true;
            run.manifesting = 1;
            run.downloadComplete = 1;
        } else {
            ManifestEstimateStep();
        }
    }
    if (unrecognisedPhase)
        EndOfPart(status);
}

void CTVXUpgradeDlg::ManifestEstimateStep()
{
    // The terminal says nothing while it writes the firmware into place and
    // restarts: an exponential estimate that never reaches 100 on its own.
    const double exponent = std::min(5.0, monitor.manifestTicks / 2400.0);
    const auto percent = static_cast<uint32_t>((1.0 - std::exp(-exponent)) * 100.0);
    if (percent != monitor.lastManifestPercent) {
        monitor.lastManifestPercent = percent;
        window.SetControlText(downloadText, Format("Manifestation: %u %%", percent));
        window.SetProgressPosition(progressBar, static_cast<int>(percent));
    }
    monitor.manifestTicks += 1;
}

void CTVXUpgradeDlg::EndOfPart(int32_t status)
{
    // Changes: package, batch, run, currentStep.
    window.KillTimer(run.progressTimerId);
    run.progressTimerId = 0;
    run.manifesting = 0;
    run.upgradeStage = StageRestarting;
    window.SetControlText(stepGroup, kUpgradeStartedCaption);
    window.ShowControl(slashText, false);
    window.SetControlText(statusText, localText(166));
    // A part that ended without error has its download complete even when
    // no tick saw it at 100 percent: a quick terminal installs and restarts
    // between two ticks, and its arrival must still be read.
    if (status == 0)
        run.downloadComplete = 1;

    package.partsRemaining = 0;
    if (package.loadedPackage) {
        if (package.loadedPackage->cursor)
            package.loadedPackage->cursor = package.loadedPackage->cursor->next;
        for (const PartNode *node = package.loadedPackage->cursor; node; node = node->next)
            ++package.partsRemaining;
    }

    if (status == 0 && batch.batchRemaining + package.partsRemaining != 0) {
        window.EnableControl(cancelButton, false);
    } else {
        window.ShowControl(nextButton, false);
        window.EnableControl(cancelButton, true);
    }

    std::string result;
    if (status == 0 && (package.partsRemaining > 0 || (batch.batchCount > 0 && batch.batchRemaining > 0))) {
        const auto total = static_cast<uint32_t>(PartsInRun());
        const auto done = static_cast<uint32_t>(PartsDoneInRun());
        result = localText(187) + Format(" %u/%u \n", done, total) + localText(189) + "\n" + localText(183);
        if (package.partsRemaining > 0)
            window.SetControlText(partCounterText, Format("(%u/%u)", done + 1, total));
    } else if (status == 0) {
        result = kFirmwareSucceededText;
    } else {
        window.ShowControl(nextButton, false);
        batch.batchRemaining = 0;
        run.upgradeFailure = static_cast<uint32_t>(status);
        window.SetControlText(hintText, localText(100));
        window.ShowControl(hintText, true);
        // 64-bit arithmetic: a hostile status near INT32_MIN must not overflow.
        const int64_t textId = static_cast<int64_t>(status) + kStatusTextBase;
        if (textId >= kFirstStatusText && textId <= kLastStatusText)
            localMessageBox(static_cast<unsigned>(textId), tvx::MB_ICONERROR);
        else
            ShowDeviceAbortBox();
        result = kFirmwareFailedText;
        window.SetControlText(statusText, result);
    }

    // The window is laid out for the next part before the read-back: a
    // terminal that answers at once moves straight on to that part.
    if (batch.batchRemaining + package.partsRemaining != 0) {
        monitor.initShown = false;
        monitor.pinShown = false;
        monitor.uploadShown = false;
        monitor.downloadShown = false;
        monitor.manifestStarted = false;
        monitor.lastPinStatus = 0;
        monitor.manifestTicks = 0;
        currentStep = StepFinished;
    }
    ReadVersionsAfterPart(result, status);
}
