// One terminal on the simulated bus: what it reports, whether it is on the
// bus at a given moment, and what a written part does to it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dfulib/sim/Scenario.h"

namespace tvxdfu::sim {

class SimulatedTerminal {
public:
    explicit SimulatedTerminal(TerminalSpec spec);

    const TerminalSpec &Spec() const { return spec_; }
    bool Matches(std::string_view id) const { return SameIdNumber(spec_.id, id); }

    // Plugged in: by the scenario's presence stretches, unless plugged or
    // unplugged by hand. Visible: plugged in and not restarting.
    bool PluggedIn(int64_t t) const;
    bool Visible(int64_t t) const { return PluggedIn(t) && t >= awayUntil_; }
    // The first moment from t on at which the terminal is unplugged (kNever
    // when that does not happen by itself).
    int64_t NextUnplugAfter(int64_t t) const;
    // Plugging in by hand also powers up a terminal that would never have
    // come back by itself.
    void SetPluggedIn(bool pluggedIn);

    // Leaves the bus until `until` (kNever: for good) and comes back in
    // the given mode.
    void Restart(int64_t until, TerminalMode mode);
    TerminalMode Mode() const { return mode_; }

    std::string ProductText() const;
    uint32_t Firmware() const { return firmware_; }
    uint32_t Loader() const { return loader_; }
    // The device type as reported; with three-part versions bit 0 marks the
    // second vendor's terminal.
    uint32_t ReportedDeviceType() const;
    void WriteIdentText(char *out) const;
    // The bcdDevice field of a backup file's suffix.
    uint16_t BcdDevice() const;
    const std::vector<uint8_t> &Image() const { return image_; }

    // A part has been written: partType is the catalog's "Firmware",
    // "Bootloader" or "Pretreatment"; payload is the image without suffix.
    void ApplyPart(const std::string &partType, std::vector<uint8_t> payload);

private:
    TerminalSpec spec_;
    VersionFormat format_;
    uint32_t firmware_;
    uint32_t loader_;
    uint32_t identNumber_;
    TerminalMode mode_;
    int64_t awayUntil_ = 0;
    std::optional<bool> manualPlug_;
    std::vector<uint8_t> image_;
};

} // namespace tvxdfu::sim
