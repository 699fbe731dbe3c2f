// The library calls served by simulated terminals. There is no thread of
// its own: every call first brings the bus up to the clock's current time.
#pragma once

#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include "dfulib/sim/PartRun.h"
#include "dfulib/sim/Scenario.h"
#include "dfulib/sim/SimClock.h"
#include "dfulib/sim/SimulatedTerminal.h"
#include "dfulib/src/Backend.h"

namespace tvxdfu::sim {

class SimulatorBackend final : public Backend {
public:
    explicit SimulatorBackend(const Scenario &scenario);

    uint32_t ListDevices(char *productTexts, uint32_t *productLength, char *idNumbers,
                         uint32_t *idLength) override;
    uint32_t GetVersion(const char *id, uint32_t idLength, uint32_t *firmware, uint32_t *loader,
                        uint32_t *deviceType, uint16_t *extraValue, char *identText) override;
    uint32_t GetAttributes(const char *id, uint32_t idLength, uint32_t *attributes) override;
    uint32_t StartUpgrade(const char *id, uint32_t idLength, const PackageEntry *part,
                          const char *backupPath) override;
    uint32_t GetStatus(uint32_t *bytes, uint32_t *percent, uint32_t *phase, int32_t *status) override;
    uint32_t ConfigurationChange(uint32_t eventCode, const void *broadcastRecord) override;

    // Plugs a terminal in or out by hand; false when no terminal has that ID.
    bool SetPluggedIn(std::string_view id, bool pluggedIn);
    uint32_t ConfigurationChangeCount();

private:
    int64_t Advance();
    SimulatedTerminal *FindVisible(const char *id, uint32_t idLength, int64_t now);

    std::mutex mutex_;
    ElapsedTime clock_;
    std::vector<SimulatedTerminal> terminals_; // never resized: a run points into it
    std::optional<PartRun> run_;
    uint32_t configurationChanges_ = 0;
};

} // namespace tvxdfu::sim
