// In-process control of the simulator, for tests and the wizard driver. It
// is part of the static library only; the shared library does not export it.
#pragma once

#include <cstdint>
#include <string>

#include "dfulib/sim/SimClock.h"

namespace tvxdfu::sim {

// The clock the simulator reads (milliseconds, never decreasing); an empty
// function restores the real steady clock. A change of clock never makes
// simulated time jump: the new clock counts on from its current reading.
void SetClock(ClockFunction clock);

// Makes this process's library calls use the simulator with the scenario
// from `source` (a file path, or "demo"), or given as JSON text, in place of
// whatever backend was in use; simulated time starts at 0. False when the
// scenario is unusable: the reason went to stderr and the bus is empty.
bool UseScenario(const std::string &source);
bool UseScenarioJson(const std::string &json);

// Plugs a terminal in or out by ID number (any letter case); false when the
// simulator is not in use or has no such terminal. Unplugging the terminal
// being written ends its part with status -72.
bool PlugTerminal(const std::string &id);
bool UnplugTerminal(const std::string &id);

// How often ConfigurationChange has been called since the scenario was loaded.
uint32_t ConfigurationChangeCount();

} // namespace tvxdfu::sim
