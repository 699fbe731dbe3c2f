#include "dfulib/sim/SimulatorControl.h"

#include <cstdio>

#include "dfulib/sim/SimulatorBackend.h"
#include "dfulib/src/ProcessBackend.h"
#include "dfulib/text/PrintableText.h"

namespace tvxdfu::sim {
namespace {

SimulatorBackend *ActiveSimulator()
{
    return dynamic_cast<SimulatorBackend *>(&ProcessBackend());
}

} // namespace

void SetClock(ClockFunction clock)
{
    SetClockFunction(std::move(clock));
}

bool UseScenario(const std::string &source)
{
    Scenario scenario;
    const bool usable = LoadScenario(source, &scenario);
    ReplaceProcessBackend(std::make_unique<SimulatorBackend>(scenario));
    return usable;
}

bool UseScenarioJson(const std::string &json)
{
    Scenario scenario;
    std::string error;
    const bool usable = ParseScenario(json, &scenario, &error);
    if (!usable)
        std::fprintf(stderr, "TVXDFUUpgrade: scenario text: %s; no simulated terminals\n",
                     tvx::PrintableText(error).c_str());
    ReplaceProcessBackend(std::make_unique<SimulatorBackend>(usable ? scenario : Scenario{}));
    return usable;
}

bool PlugTerminal(const std::string &id)
{
    SimulatorBackend *simulator = ActiveSimulator();
    return simulator && simulator->SetPluggedIn(id, true);
}

bool UnplugTerminal(const std::string &id)
{
    SimulatorBackend *simulator = ActiveSimulator();
    return simulator && simulator->SetPluggedIn(id, false);
}

uint32_t ConfigurationChangeCount()
{
    SimulatorBackend *simulator = ActiveSimulator();
    return simulator ? simulator->ConfigurationChangeCount() : 0;
}

} // namespace tvxdfu::sim
