// The part being written: from its start through the progress monitor to
// the terminal's version read after it.
#pragma once

#include <cstdint>
#include <string>

enum UpgradeStage : uint32_t {
    StageRunning = 0,
    StageRestarting = 3,
    StageIdle = 255,
};

struct RunningPart {
    // Both start boxes were confirmed; holds for the further parts of a run.
    uint32_t startConfirmed = 0;
    uint32_t upgradeStage = StageIdle;
    uint16_t expectedFirmwareVersion = 0;
    uint16_t expectedLoaderVersion = 0;
    uint32_t loaderListed = 0;
    uint32_t loaderStageNeeded = 0;
    uint32_t downloadComplete = 0;
    uint32_t finalVersionRead = 0;
    uint32_t manifesting = 0;
    uint32_t returnAttempts = 0;
    uint32_t upgradeFailure = 0;
    std::string pendingResultText; // shown when the terminal comes back
    unsigned progressTimerId = 0;
    unsigned spinnerTimerId = 0;
    unsigned returnTimerId = 0;
};
