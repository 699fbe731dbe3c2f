#include "dfulib/sim/SimulatedTerminal.h"

#include <functional>

#include "dfulib/sim/IdentText.h"
#include "dfulib/sim/ImageHeader.h"

namespace tvxdfu::sim {
namespace {

std::string ThreePartText(uint32_t version)
{
    return std::to_string((version >> 16) & 0xFF) + "." + std::to_string((version >> 8) & 0xFF) + "." +
           std::to_string(version & 0xFF);
}

} // namespace

SimulatedTerminal::SimulatedTerminal(TerminalSpec spec)
    : spec_(std::move(spec)), format_(spec_.format), firmware_(spec_.firmware), loader_(spec_.loader),
      identNumber_(spec_.identNumber), mode_(spec_.mode),
      image_(MakeFirmwareImage(format_, firmware_, loader_, identNumber_, spec_.imageSize,
                               static_cast<uint32_t>(std::hash<std::string>{}(spec_.id))))
{
}

bool SimulatedTerminal::PluggedIn(int64_t t) const
{
    if (manualPlug_)
        return *manualPlug_;
    if (spec_.present.empty())
        return true;
    for (const PresenceWindow &window : spec_.present)
        if (t >= window.arrivalMs && t < window.removalMs)
            return true;
    return false;
}

int64_t SimulatedTerminal::NextUnplugAfter(int64_t t) const
{
    if (manualPlug_)
        return *manualPlug_ ? kNever : t;
    if (spec_.present.empty())
        return kNever;
    for (const PresenceWindow &window : spec_.present)
        if (t >= window.arrivalMs && t < window.removalMs)
            return window.removalMs;
    return t;
}

void SimulatedTerminal::SetPluggedIn(bool pluggedIn)
{
    manualPlug_ = pluggedIn;
    if (pluggedIn && awayUntil_ == kNever)
        awayUntil_ = 0;
}

void SimulatedTerminal::Restart(int64_t until, TerminalMode mode)
{
    awayUntil_ = until;
    mode_ = mode;
}

std::string SimulatedTerminal::ProductText() const
{
    if (spec_.product)
        return *spec_.product;
    const std::string name = spec_.model + " " + spec_.vendorCode;
    const bool loader = mode_ == TerminalMode::Loader;
    if (format_ == VersionFormat::Bcd)
        return name + (loader ? " DFU" : " RTM");
    if (loader)
        return name + " V " + ThreePartText(loader_) + " V." + ThreePartText(firmware_) + " DFU";
    return name + " V " + ThreePartText(firmware_) + " V." + ThreePartText(loader_) + " RTM";
}

uint32_t SimulatedTerminal::ReportedDeviceType() const
{
    if (format_ == VersionFormat::ThreePart && spec_.secondVendor)
        return spec_.deviceType | 1u;
    return spec_.deviceType;
}

void SimulatedTerminal::WriteIdentText(char *out) const
{
    sim::WriteIdentText(spec_.model, spec_.vendorCode, spec_.secondVendor, identNumber_, out);
}

uint16_t SimulatedTerminal::BcdDevice() const
{
    // Three-part versions do not fit bcdDevice; 0xFFFF stands for "any".
    return format_ == VersionFormat::Bcd ? static_cast<uint16_t>(firmware_) : 0xFFFF;
}

void SimulatedTerminal::ApplyPart(const std::string &partType, std::vector<uint8_t> payload)
{
    const bool firmware = partType == "Firmware";
    const bool loader = partType == "Bootloader";
    if (!firmware && !loader)
        return;
    const HeaderVersions header = ReadHeaderVersions(payload.data(), payload.size());
    if (header.format != format_) {
        // A header of the other generation brings both versions in its form.
        if (header.firmware && header.loader) {
            format_ = header.format;
            firmware_ = *header.firmware;
            loader_ = *header.loader;
        }
    } else {
        if (firmware && header.firmware)
            firmware_ = *header.firmware;
        if (loader && header.loader)
            loader_ = *header.loader;
    }
    if (firmware) {
        if (header.identNumber)
            identNumber_ = *header.identNumber % 100000;
        image_ = std::move(payload);
    }
}

} // namespace tvxdfu::sim
