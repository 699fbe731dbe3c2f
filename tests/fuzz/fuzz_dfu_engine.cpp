// The DFU engine against a device whose every reply comes from the fuzz
// input: GETSTATUS with any status, poll timeout and state, UPLOAD blocks of
// any size, failed transfers, a device that does or does not come back after
// a reset. Time is virtual, so poll timeouts cost nothing.
//
// Input: the image size (16 bits, modulo 3001), a byte whose low bit asks for
// a read-back, the interface (number, DFU-mode byte, attributes, 16-bit
// detach time-out, 16-bit transfer size); then the device's replies in the
// order the engine asks: per transfer a byte (0xF0 and up: the transfer
// fails), for GETSTATUS six status bytes (a short reply when bit 7 of the
// first byte is set), for UPLOAD a 16-bit length unless bit 0 asks for a full
// block; per reopen a byte (low bit: the device is back) and the interface.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "dfulib/include/TVXDFUUpgrade.h"
#include "dfulib/usb/DfuEngine.h"
#include "dfulib/usb/emulated/VirtualPacer.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace tvx::fuzz;
using namespace tvxdfu::usb;

namespace {

// The block the host moves for a stated wTransferSize: at most 4096 bytes,
// and small blocks of its own where 0 or 0xFFFF states no size.
std::size_t HostBlock(uint16_t transferSize)
{
    if (transferSize == 0)
        return 64;
    if (transferSize == 0xFFFF)
        return 1024;
    return std::min<std::size_t>(transferSize, 4096);
}

class FuzzedDevice final : public ControlTransport {
public:
    explicit FuzzedDevice(ByteReader &in) : in_(in) { info_ = NextInterface(); }

    int ControlIn(const ControlSetup &setup, uint8_t *data, std::size_t length, unsigned) override
    {
        Expect(setup.requestType == kRequestTypeIn && data && length > 0, "IN request");
        if (in_.Remaining() == 0)
            return kTransferNoDevice;
        const uint8_t how = in_.Byte();
        if (how >= 0xF0)
            return -1 - (how & 3); // stall, gone, timeout, I/O error
        if (setup.request == static_cast<uint8_t>(DfuRequest::GetStatus)) {
            Expect(length == kStatusLength, "GETSTATUS length");
            const std::vector<uint8_t> reply = in_.Bytes(kStatusLength);
            std::copy(reply.begin(), reply.end(), data);
            // A short reply only when the input says so or runs out.
            return (how & 0x80) ? static_cast<int>(reply.size() * (how & 7) / 8)
                                : static_cast<int>(reply.size());
        }
        Expect(setup.request == static_cast<uint8_t>(DfuRequest::Upload), "only GETSTATUS and UPLOAD read");
        // The engine caps transfers at 4096 bytes, the most the host's USB stack takes.
        Expect(length == HostBlock(info_.functional.transferSize), "UPLOAD asks for a whole transfer");
        Expect(setup.value == static_cast<uint16_t>(uploadBlocks_++), "UPLOAD blocks in order");
        // Mostly full blocks; otherwise a block of any size. More than was
        // asked for is an overflow, which the USB stack reports as an error.
        const std::size_t got = (how & 1) ? length : in_.Word() % (length + 2);
        if (got > length)
            return kTransferIoError;
        std::fill_n(data, got, static_cast<uint8_t>(uploaded.size() * 7 + how));
        uploaded.insert(uploaded.end(), data, data + got);
        return static_cast<int>(got);
    }

    int ControlOut(const ControlSetup &setup, const uint8_t *data, std::size_t length, unsigned) override
    {
        Expect(setup.requestType == kRequestTypeOut, "OUT request");
        if (in_.Remaining() == 0)
            return kTransferNoDevice;
        const uint8_t how = in_.Byte();
        if (how >= 0xF0)
            return -1 - (how & 3);
        if (setup.request == static_cast<uint8_t>(DfuRequest::Dnload) && length > 0) {
            Expect(data && length <= HostBlock(info_.functional.transferSize),
                   "DNLOAD within the transfer size");
            if (how >= 0xE0)
                return static_cast<int>(length / 2); // a short write
            Expect(setup.value == static_cast<uint16_t>(downloadBlocks_), "DNLOAD blocks in order");
            ++downloadBlocks_;
            downloaded.insert(downloaded.end(), data, data + length);
        }
        return static_cast<int>(length);
    }

    void ResetDevice() override { ++resets; }

    bool Reopen() override
    {
        if (in_.Remaining() == 0 || !(in_.Byte() & 1))
            return false;
        info_ = NextInterface();
        return true;
    }

    DfuInterfaceInfo Interface() const override { return info_; }
    void WatchStop(const std::atomic<bool> *) override {}

    std::vector<uint8_t> uploaded;
    std::vector<uint8_t> downloaded;
    int resets = 0;

private:
    DfuInterfaceInfo NextInterface()
    {
        DfuInterfaceInfo info;
        info.interfaceNumber = in_.Byte();
        info.dfuMode = (in_.Byte() & 1);
        info.functional.attributes = in_.Byte();
        info.functional.detachTimeoutMs = in_.Word();
        info.functional.transferSize = in_.Word();
        return info;
    }

    ByteReader &in_;
    DfuInterfaceInfo info_;
    int uploadBlocks_ = 0;
    int downloadBlocks_ = 0;
};

class NoProgress final : public ProgressSink {
public:
    void Report(uint32_t, uint32_t, uint32_t) override {}
};

// Read-backs run to megabytes: read in one go.
std::vector<uint8_t> ReadFile(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::vector<uint8_t> bytes(in ? static_cast<std::size_t>(in.tellg()) : 0);
    in.seekg(0);
    in.read(reinterpret_cast<char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

bool KnownStatus(int32_t status)
{
    return status == 0 || status == kStatusDeviceLeft || status == kStatusUnexpectedState ||
           status == kStatusTimeout || status == static_cast<int32_t>(UPG_HOST_ERROR) ||
           (status >= 1 - kDeviceStatusOffset && status <= 15 - kDeviceStatusOffset);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ByteReader in(data, size);
    std::vector<uint8_t> image(in.Word() % 3001);
    for (std::size_t n = 0; n < image.size(); ++n)
        image[n] = static_cast<uint8_t>(n * 13 + 5);
    const bool backup = in.Byte() & 1;
    const std::filesystem::path backupPath = ScratchFolder() / "backup.dfu";
    // A backup that replaces an earlier one keeps it beside it, under this name.
    const std::filesystem::path keptPath = ScratchFolder() / "backup.dfu~";
    const std::vector<uint8_t> earlier = {'e', 'a', 'r', 'l', 'i', 'e', 'r'};
    std::filesystem::remove(backupPath);
    std::filesystem::remove(keptPath);
    if (backup)
        std::ofstream(backupPath, std::ios::binary).write(reinterpret_cast<const char *>(earlier.data()), 7);

    FuzzedDevice device(in);
    VirtualPacer pacer;
    NoProgress progress;
    DfuEngine engine(device, pacer, progress);
    EngineJob job;
    job.image = image.data();
    job.size = image.size();
    const std::string pathText = backupPath.string();
    job.backupPath = backup ? pathText.c_str() : nullptr;
    const int32_t status = engine.Run(job);

    if (!KnownStatus(status))
        std::fprintf(stderr, "engine status %d\n", status);
    Expect(KnownStatus(status), "status is one the wizard has a text for");
    if (status == 0)
        Expect(device.downloaded == image, "success means the whole image was written");
    if (backup) {
        // Either the earlier file untouched, or the complete read-back with
        // its 16-byte suffix; never a part of one.
        const std::vector<uint8_t> file = ReadFile(backupPath);
        const bool complete = file.size() == device.uploaded.size() + 16 &&
                              std::equal(device.uploaded.begin(), device.uploaded.end(), file.begin());
        Expect(file == earlier || complete, "backup complete or the earlier file untouched");
        if (status == 0)
            Expect(complete, "success after a read-back leaves the backup");
        if (std::filesystem::exists(keptPath))
            Expect(complete && ReadFile(keptPath) == earlier, "the replaced backup is the one kept");
    }
    const bool kept = std::filesystem::exists(keptPath);
    Expect(std::distance(std::filesystem::directory_iterator(ScratchFolder()),
                         std::filesystem::directory_iterator()) <= (kept ? 2 : 1),
           "no temporary file left behind");
    return 0;
}
