// Consecutive simulated upgrades in one process: each one loads the scenario
// afresh, creates the wizard dialog on the scripted window, runs it in
// virtual time from the device step to Finish and destroys it again. Used by
// the soak program and, for a few runs, by a test.
#pragma once

#include <cstddef>
#include <string>

namespace tvx::soak {

// What the process holds at one moment.
struct ProcessFigures {
    long residentKb = 0;       // resident set size
    std::size_t heapInUse = 0; // bytes the allocator has handed out
    int openFiles = 0;         // entries of /proc/self/fd
};

ProcessFigures MeasureProcess();

// A folder of its own with a package that fits the soak's terminal.
class UpgradeSoak {
public:
    UpgradeSoak();
    ~UpgradeSoak();
    UpgradeSoak(const UpgradeSoak &) = delete;
    UpgradeSoak &operator=(const UpgradeSoak &) = delete;

    // One whole upgrade with a backup, ended with Finish. False with the
    // reason when it did not succeed, a timer was left armed or the backup
    // is missing.
    bool RunOnce(std::string *error);

private:
    std::string folder_;
    std::string packagePath_;
    std::string backupPath_;
};

} // namespace tvx::soak
