// A sleep lock that only records what was asked of it, for the tests (the
// headless driver itself takes none).
#pragma once

#include <string>

#include "platform/SleepInhibitor.h"

namespace tvx {

class RecordingSleepInhibitor final : public SleepInhibitor {
public:
    bool Hold(const std::string &why) override;
    void Release() override;

    bool Held() const { return held_; }
    const std::string &Why() const { return why_; } // of the last time it was taken
    int TimesTaken() const { return timesTaken_; }
    int TimesReleased() const { return timesReleased_; }

private:
    bool held_ = false;
    std::string why_;
    int timesTaken_ = 0;
    int timesReleased_ = 0;
};

} // namespace tvx
