#include "platform/SleepInhibitor.h"

namespace tvx {
namespace {

class NoInhibitor final : public SleepInhibitor {
public:
    bool Hold(const std::string &) override { return false; }
    void Release() override {}
};

} // namespace

SleepInhibitor &NoSleepInhibitor()
{
    static NoInhibitor none;
    return none;
}

} // namespace tvx
