#include "dfulib/usb/UsbBackend.h"

#include <cstdio>
#include <cstring>
#include <functional>
#include <new>
#include <set>
#include <string_view>

#include "dfulib/src/DeviceLists.h"
#include "dfulib/src/PartImage.h"
#include "dfulib/text/PrintableText.h"
#include "dfulib/usb/ProductText.h"
#include "dfulib/usb/TerminalId.h"
#include "dfulib/usb/TerminalIdentity.h"

namespace tvxdfu::usb {
namespace {

// Two terminals whose serial numbers begin alike cannot both be addressed
// by the 16 characters the wizard keeps; the hint is printed once per ID so
// that the cause is not lost behind UPG_CONNECT_FAILED.
void ReportSharedId(std::string_view id, const std::vector<std::string> &serials)
{
    static std::mutex mutex;
    static std::set<std::string, std::less<>> reported;
    std::lock_guard lock(mutex);
    if (!reported.emplace(id).second)
        return;
    std::string list;
    for (const std::string &serial : serials)
        list += (list.empty() ? "" : ", ") + serial;
    // The serial numbers are the devices' own text.
    const std::string shownList = tvx::PrintableText(list);
    const std::string shownId = tvx::PrintableText(id);
    std::fprintf(stderr,
                 "TVXDFUUpgrade: the USB terminals %s share the ID %.*s (the first %zu characters of "
                 "their serial numbers), by which they are addressed, so neither can be chosen; "
                 "attach one of them at a time\n",
                 shownList.c_str(), static_cast<int>(shownId.size()), shownId.data(), kIdCharacters);
}

} // namespace

UsbBackend::UsbBackend(std::unique_ptr<UsbBus> bus, std::unique_ptr<Pacer> pacer)
    : bus_(std::move(bus)), pacer_(std::move(pacer))
{
}

UsbBackend::~UsbBackend()
{
    // The library unloads: the worker's sleeps and transfers end at once.
    stop_ = true;
    pacer_->Stop();
    std::lock_guard lock(runMutex_);
    if (run_ && run_->worker.joinable())
        run_->worker.join();
}

uint32_t UsbBackend::Find(const char *id, uint32_t idLength, UsbDeviceRecord *record)
{
    if (!id)
        return UPG_NO_DEVICE;
    const std::string_view wanted(id, strnlen(id, idLength));
    std::vector<UsbDeviceRecord> found;
    for (UsbDeviceRecord &listed : bus_->Enumerate()) {
        if (IdAddresses(listed.serial, wanted))
            found.push_back(std::move(listed));
    }
    if (found.empty())
        return UPG_NO_DEVICE;
    if (found.size() > 1) {
        std::vector<std::string> serials;
        serials.reserve(found.size());
        for (const UsbDeviceRecord &terminal : found)
            serials.push_back(terminal.serial);
        ReportSharedId(wanted.substr(0, kIdCharacters), serials);
        return UPG_CONNECT_FAILED;
    }
    // Its sysfs strings would give versions, but none the terminal
    // confirmed, and nothing could be done with it anyway.
    if (found.front().accessDenied)
        return UPG_CONNECT_FAILED;
    *record = std::move(found.front());
    return 0;
}

uint32_t UsbBackend::ListDevices(char *productTexts, uint32_t *productLength, char *idNumbers,
                                 uint32_t *idLength)
{
    std::vector<ListedDevice> devices;
    for (const UsbDeviceRecord &record : bus_->Enumerate())
        devices.push_back({ListedProductText(record.product, record.idProduct), record.serial});
    return FillDeviceLists(devices, productTexts, productLength, idNumbers, idLength);
}

uint32_t UsbBackend::GetVersion(const char *id, uint32_t idLength, uint32_t *firmware, uint32_t *loader,
                                uint32_t *deviceType, uint16_t *extraValue, char *identText)
{
    UsbDeviceRecord record;
    if (const uint32_t result = Find(id, idLength, &record))
        return result;
    const TerminalIdentity identity = IdentifyTerminal(record);
    if (firmware)
        *firmware = identity.firmware;
    if (loader)
        *loader = identity.loader;
    if (deviceType)
        *deviceType = identity.deviceType;
    if (extraValue)
        *extraValue = identity.extraValue;
    if (identText)
        std::memcpy(identText, identity.identText, kIdentTextSize);
    return 0;
}

uint32_t UsbBackend::GetAttributes(const char *id, uint32_t idLength, uint32_t *attributes)
{
    UsbDeviceRecord record;
    const uint32_t result = Find(id, idLength, &record);
    if (attributes)
        *attributes = result == 0 && record.hasFunctional ? record.functional.attributes : 0;
    if (result != 0)
        return result;
    return record.hasFunctional ? 0 : UPG_NO_DESCRIPTOR;
}

uint32_t UsbBackend::StartUpgrade(const char *id, uint32_t idLength, const PackageEntry *part,
                                  const char *backupPath)
{
    std::lock_guard lock(runMutex_);
    // Nothing else is looked at while a part runs. A start that fails later
    // leaves the last part's status as it was, for a caller still polling.
    if (run_ && !run_->state.Ended())
        return UPG_HOST_ERROR;
    PartPayload payload;
    if (const uint32_t result = CheckPartImage(part, &payload))
        return result;
    UsbDeviceRecord record;
    if (const uint32_t result = Find(id, idLength, &record))
        return result;
    if (!record.hasFunctional)
        return UPG_NO_DESCRIPTOR;
    if (backupPath && !(record.functional.attributes & kAttrCanUpload))
        return UPG_NO_UPLOAD;

    auto run = std::make_unique<Run>();
    if (const uint32_t result = bus_->Open(record, &run->transport))
        return result;
    run->image.assign(payload.data, payload.data + payload.size);
    if (backupPath)
        run->backupPath = backupPath;
    run->device = std::move(record);
    if (run_)
        run_->worker.join();
    run_ = std::move(run);
    run_->worker = std::thread([this, &run = *run_] { Work(run); });
    return 0;
}

void UsbBackend::Work(Run &run)
{
    int32_t status = 0;
    try {
        DfuEngine engine(*run.transport, *pacer_, run.state, &stop_);
        EngineJob job;
        job.image = run.image.data();
        job.size = run.image.size();
        job.backupPath = run.backupPath.empty() ? nullptr : run.backupPath.c_str();
        job.backupBcdDevice = run.device.bcdDevice;
        job.backupIdProduct = run.device.idProduct;
        status = engine.Run(job);
    } catch (const std::bad_alloc &) {
        status = static_cast<int32_t>(UPG_OUT_OF_MEMORY);
    } catch (...) {
        status = static_cast<int32_t>(UPG_HOST_ERROR);
    }
    run.transport.reset();
    run.state.Finish(status);
}

uint32_t UsbBackend::GetStatus(uint32_t *bytes, uint32_t *percent, uint32_t *phase, int32_t *status)
{
    std::lock_guard lock(runMutex_);
    if (!run_)
        return UPG_HOST_ERROR;
    return run_->state.Read(bytes, percent, phase, status);
}

uint32_t UsbBackend::ConfigurationChange(uint32_t, const void *)
{
    pacer_->Wake();
    return 0;
}

} // namespace tvxdfu::usb
