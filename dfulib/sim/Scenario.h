// What a scenario says about each simulated terminal. Times are milliseconds
// of simulated time, counted from the moment the scenario was loaded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tvxdfu::sim {

inline constexpr int64_t kNever = std::numeric_limits<int64_t>::max();

// Reported when the terminal leaves the bus in the middle of a part, or the
// backup file cannot be stored ("HOST detected unexpected state").
inline constexpr int32_t kHostUnexpectedState = -72;

enum class VersionFormat { ThreePart, Bcd };
enum class TerminalMode { Runtime, Loader };
enum class PinAttempt { AdjustDisplay, Wrong };
// The stretches of a part, in the order they run.
enum class RunStage { Init, Pin, Upload, Download, Manifest };

struct Timing {
    int64_t initMs = 1500;
    int64_t pinMs = 2500;
    int64_t restartMs = 3000;
    int64_t manifestMs = 4000;
    int64_t downloadBytesPerSecond = 65536;
    int64_t uploadBytesPerSecond = 131072;
};

struct StatusFault {
    RunStage stage = RunStage::Download;
    uint32_t atPercent = 0;
    int32_t status = 0;
};

struct FaultScript {
    std::optional<StatusFault> status;
    std::optional<uint32_t> unplugAtPercent;
    int32_t unplugStatus = kHostUnexpectedState;
    std::optional<int64_t> returnAfterMs;
    bool returns = true;
    std::optional<uint32_t> startResult;
};

// The terminal is on the bus from arrivalMs up to (not including) removalMs.
struct PresenceWindow {
    int64_t arrivalMs = 0;
    int64_t removalMs = kNever;
};

struct TerminalSpec {
    std::string id;
    std::string model;
    std::string vendorCode;
    VersionFormat format = VersionFormat::ThreePart;
    uint32_t firmware = 0; // as reported: 0x01MMmmpp, or BCD 0xMMmm
    uint32_t loader = 0;
    uint32_t deviceType = 0;
    uint32_t identNumber = 0;
    bool secondVendor = false;
    TerminalMode mode = TerminalMode::Runtime;
    bool canUpload = true;
    std::vector<PinAttempt> pinAttempts;
    std::optional<int32_t> pinFailure; // the status a failing PIN entry ends with
    Timing timing;
    FaultScript fault;
    std::vector<PresenceWindow> present; // empty: always present
    std::optional<std::string> product;
    uint16_t productId = 0xFFFF;
    uint16_t extraValue = 0;
    uint32_t imageSize = 65536;
};

struct Scenario {
    std::vector<TerminalSpec> terminals;
};

// Parses scenario JSON; false with a reason in *error when it is unusable.
bool ParseScenario(const std::string &text, Scenario *scenario, std::string *error);

// The built-in scenario "demo" as JSON text.
const char *DemoScenarioJson();

// source: a file path or "demo". An unusable scenario is reported on stderr,
// naming the file and the reason; the result is then false and *scenario
// empty.
bool LoadScenario(const std::string &source, Scenario *scenario);

// ID numbers are compared without regard to letter case, and by their first
// 16 characters: the wizard keeps no more of an ID it lists, so a longer ID
// is addressed by those, and two terminals may not share them.
inline constexpr std::size_t kIdNumberCharacters = 16;
bool SameIdNumber(std::string_view a, std::string_view b);

} // namespace tvxdfu::sim
