#include "dfulib/sim/SimulatorBackend.h"

#include <unistd.h>

#include <cstring>
#include <exception>
#include <filesystem>
#include <string>

#include "dfulib/sim/IdentText.h"
#include "dfulib/sim/Utf8FileName.h"
#include "dfulib/src/DeviceLists.h"
#include "dfulib/src/PartImage.h"

namespace tvxdfu::sim {
namespace {

// The ID text as passed: at most idLength characters, ended early by a NUL.
std::string_view IdArgument(const char *id, uint32_t idLength)
{
    if (!id)
        return {};
    return {id, strnlen(id, idLength)};
}

// The backup file is made in its target folder; refuse at once when that is
// no folder or, where the system can tell beforehand, one that cannot take
// the file, rather than after the PIN entry. A file where the folder should
// be is no folder on any system (a test of the rights alone passes it on
// Windows).
bool FolderWritable(const std::string &path)
{
    try {
        std::filesystem::path folder = PathOfUtf8Name(path).parent_path();
        if (folder.empty())
            folder = ".";
        std::error_code error;
        if (!std::filesystem::is_directory(folder, error))
            return false;
#ifdef _WIN32
        return true; // its access rights are judged when the file is made
#else
        return ::access(folder.c_str(), W_OK | X_OK) == 0;
#endif
    } catch (const std::exception &) {
        return false; // a name that is not UTF-8 names no folder
    }
}

} // namespace

SimulatorBackend::SimulatorBackend(const Scenario &scenario)
{
    terminals_.reserve(scenario.terminals.size());
    for (const TerminalSpec &spec : scenario.terminals)
        terminals_.emplace_back(spec);
}

int64_t SimulatorBackend::Advance()
{
    const int64_t now = clock_.Now();
    if (run_)
        run_->AdvanceTo(now);
    return now;
}

SimulatedTerminal *SimulatorBackend::FindVisible(const char *id, uint32_t idLength, int64_t now)
{
    const std::string_view wanted = IdArgument(id, idLength);
    for (SimulatedTerminal &terminal : terminals_)
        if (terminal.Visible(now) && terminal.Matches(wanted))
            return &terminal;
    return nullptr;
}

uint32_t SimulatorBackend::ListDevices(char *productTexts, uint32_t *productLength, char *idNumbers,
                                       uint32_t *idLength)
{
    std::lock_guard lock(mutex_);
    const int64_t now = Advance();
    std::vector<ListedDevice> listed;
    for (const SimulatedTerminal &terminal : terminals_)
        if (terminal.Visible(now))
            listed.push_back({terminal.ProductText(), terminal.Spec().id});
    return FillDeviceLists(listed, productTexts, productLength, idNumbers, idLength);
}

uint32_t SimulatorBackend::GetVersion(const char *id, uint32_t idLength, uint32_t *firmware, uint32_t *loader,
                                      uint32_t *deviceType, uint16_t *extraValue, char *identText)
{
    std::lock_guard lock(mutex_);
    const SimulatedTerminal *terminal = FindVisible(id, idLength, Advance());
    if (!terminal)
        return UPG_NO_DEVICE;
    if (firmware)
        *firmware = terminal->Firmware();
    if (loader)
        *loader = terminal->Loader();
    if (deviceType)
        *deviceType = terminal->ReportedDeviceType();
    if (extraValue)
        *extraValue = terminal->Spec().extraValue;
    if (identText)
        terminal->WriteIdentText(identText);
    return 0;
}

uint32_t SimulatorBackend::GetAttributes(const char *id, uint32_t idLength, uint32_t *attributes)
{
    std::lock_guard lock(mutex_);
    const SimulatedTerminal *terminal = FindVisible(id, idLength, Advance());
    if (!terminal)
        return UPG_NO_DEVICE;
    if (!attributes)
        return UPG_HOST_ERROR;
    *attributes = TVXDFU_ATTR_CAN_DOWNLOAD | TVXDFU_ATTR_WILL_DETACH |
                  (terminal->Spec().canUpload ? TVXDFU_ATTR_CAN_UPLOAD : 0);
    return 0;
}

uint32_t SimulatorBackend::StartUpgrade(const char *id, uint32_t idLength, const PackageEntry *part,
                                        const char *backupPath)
{
    std::lock_guard lock(mutex_);
    const int64_t now = Advance();
    if (run_ && run_->Running())
        return UPG_HOST_ERROR;
    SimulatedTerminal *terminal = FindVisible(id, idLength, now);
    if (!terminal)
        return UPG_NO_DEVICE;
    if (const auto &result = terminal->Spec().fault.startResult)
        return *result;
    PartPayload payload;
    if (const uint32_t result = CheckPartImage(part, &payload))
        return result;
    const std::string backup = backupPath ? backupPath : "";
    if (!backup.empty() && !terminal->Spec().canUpload)
        return UPG_NO_UPLOAD;
    if (!backup.empty() && !FolderWritable(backup))
        return UPG_HOST_ERROR;
    const char *type = part->info && part->info->type ? part->info->type : "";
    run_.emplace(*terminal, now, std::vector<uint8_t>(payload.data, payload.data + payload.size), type,
                 backup);
    return 0;
}

uint32_t SimulatorBackend::GetStatus(uint32_t *bytes, uint32_t *percent, uint32_t *phase, int32_t *status)
{
    std::lock_guard lock(mutex_);
    const int64_t now = Advance();
    if (!run_)
        return UPG_HOST_ERROR;
    StatusOutputs out;
    const uint32_t result = run_->Poll(now, &out);
    if (bytes)
        *bytes = out.bytes;
    if (percent)
        *percent = out.percent;
    if (phase)
        *phase = out.phase;
    if (status)
        *status = out.status;
    return result;
}

uint32_t SimulatorBackend::ConfigurationChange(uint32_t, const void *)
{
    // The simulator follows its terminals by itself; events are only counted.
    std::lock_guard lock(mutex_);
    Advance();
    ++configurationChanges_;
    return 0;
}

bool SimulatorBackend::SetPluggedIn(std::string_view id, bool pluggedIn)
{
    std::lock_guard lock(mutex_);
    const int64_t now = Advance();
    for (SimulatedTerminal &terminal : terminals_) {
        if (terminal.Matches(id)) {
            terminal.SetPluggedIn(pluggedIn);
            if (run_)
                run_->AdvanceTo(now);
            return true;
        }
    }
    return false;
}

uint32_t SimulatorBackend::ConfigurationChangeCount()
{
    std::lock_guard lock(mutex_);
    return configurationChanges_;
}

} // namespace tvxdfu::sim

namespace tvxdfu {

std::unique_ptr<Backend> MakeSimulatorBackend(const char *scenario)
{
    sim::Scenario loaded;
    sim::LoadScenario(scenario ? scenario : "", &loaded);
    return std::make_unique<sim::SimulatorBackend>(loaded);
}

} // namespace tvxdfu
