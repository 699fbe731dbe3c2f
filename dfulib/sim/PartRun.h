// One part being written into a simulated terminal. The whole life of the
// part is laid out in simulated time when it starts; the calls that follow
// only look at where that time has got to.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dfulib/sim/SimulatedTerminal.h"

namespace tvxdfu::sim {

struct StatusOutputs {
    uint32_t bytes = 0;
    uint32_t percent = 0;
    uint32_t phase = 0;
    int32_t status = 0;
};

class PartRun {
public:
    // payload: the part's image without suffix; backupPath empty: no backup.
    PartRun(SimulatedTerminal &terminal, int64_t start, std::vector<uint8_t> payload, std::string partType,
            std::string backupPath);

    // Carries out what happened up to t: the backup file, scripted faults,
    // the terminal leaving the bus, the end of the part.
    void AdvanceTo(int64_t t);
    bool Running() const { return !ended_; }
    // One status query at t (after AdvanceTo): 0 while the part runs. A
    // part that succeeded is reported once with phase 3 and the result 0,
    // then, like a part that failed, with the result 1.
    uint32_t Poll(int64_t t, StatusOutputs *out);

private:
    int64_t StageStart(RunStage stage) const { return stageStart_[static_cast<int>(stage)]; }
    int64_t StageLength(RunStage stage) const;
    int64_t PointIn(RunStage stage, uint32_t percent) const;
    void PlanFaults();
    StatusOutputs OutputsAt(int64_t t) const;
    void EndWith(StatusOutputs outputs);
    void Manifest();
    void Finish();

    SimulatedTerminal *terminal_;
    std::vector<uint8_t> payload_;
    std::string partType_;
    std::string backupPath_;
    uint32_t uploadSize_;
    std::size_t downloadSize_; // payload_ is handed to the terminal at manifestation
    int64_t stageStart_[5] = {};
    int64_t endAt_ = 0;
    int64_t checked_ = 0;
    int64_t faultAt_ = kNever;
    StatusOutputs faultOutputs_;
    bool faultUnplugs_ = false;
    bool backupPending_ = false;
    bool manifestPending_ = true;
    bool ended_ = false;
    bool succeeded_ = false;
    bool finishReported_ = false;
    StatusOutputs final_;
};

} // namespace tvxdfu::sim
