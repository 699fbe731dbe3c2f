// What the progress monitor remembers across parts and runs: it lives for
// the program's run, outside the dialog, and is cleared only when a further
// part or batch file follows.
#pragma once

#include <cstdint>
#include <string>

struct MonitorMemory {
    bool initShown = false;
    bool pinShown = false;
    bool uploadShown = false;
    bool downloadShown = false;
    bool manifestStarted = false;
    uint32_t lastPinStatus = 0;
    uint32_t lastPercent = 0;
    uint32_t lastManifestPercent = 0;
    double manifestTicks = 0;
    std::string typedText = " ";
    uint32_t typedIndex = 0;
    uint32_t spinnerIndex = 0;
};
