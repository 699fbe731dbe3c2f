// The library calls over a bus of emulated terminals, through the C API as
// the wizard makes them; the upgrade runs on the backend's worker thread.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "dfulib/include/TVXDFUUpgrade.h"
#include "dfulib/src/ProcessBackend.h"
#include "dfulib/usb/SteadyPacer.h"
#include "dfulib/usb/UsbBackend.h"
#include "dfulib/usb/emulated/EmulatedBus.h"
#include "tests/dfulib-usb/EngineFixture.h"
#include "tests/dfulib-usb/PartEntry.h"

namespace tvxdfu::usb {
namespace {

UsbDeviceRecord Record(const char *serial, const char *product)
{
    UsbDeviceRecord record;
    record.serial = serial;
    record.product = product;
    record.idProduct = 0x0470;
    record.bcdDevice = 0x0302;
    record.hasFunctional = true;
    return record;
}

// A 16-byte ID field as the wizard passes it: a longer ID is cut.
struct Id {
    explicit Id(const char *text) { std::memcpy(bytes, text, std::min(std::strlen(text), sizeof bytes - 1)); }
    char bytes[17] = {};
};

class UsbBackendTest : public ::testing::Test {
protected:
    // The device's time is the worker's virtual time.
    std::shared_ptr<EmulatedDfuDevice> AddDevice(EmulatedDeviceConfig config, UsbDeviceRecord record,
                                                 uint32_t openResult = 0)
    {
        auto device = std::make_shared<EmulatedDfuDevice>(*pacer_, std::move(config));
        terminals_.push_back({std::move(record), device, openResult});
        devices_.push_back(device);
        return device;
    }
    void Install()
    {
        ReplaceProcessBackend(std::make_unique<UsbBackend>(
            std::make_unique<EmulatedBus>(std::move(terminals_)), std::move(ownedPacer_)));
    }
    // A transfer still held after a failed check must not keep the worker,
    // and with it the test, from ending.
    void TearDown() override
    {
        for (const auto &device : devices_)
            device->Release();
        ReplaceProcessBackend(nullptr);
    }

    // Polls as the progress monitor does until the part ends.
    struct Observed {
        std::vector<uint32_t> phases;
        uint32_t bytes = 0, percent = 0, phase = 0;
        int32_t status = 0;
    };
    static Observed PollToEnd()
    {
        Observed seen;
        uint32_t lastPercent = 0;
        for (;;) {
            const uint32_t result = GetUpgradeStatus(&seen.bytes, &seen.percent, &seen.phase, &seen.status);
            if (seen.phases.empty() || seen.phases.back() != seen.phase)
                seen.phases.push_back(seen.phase);
            if (seen.phase == TVXDFU_PHASE_DOWNLOAD) {
                EXPECT_GE(seen.percent, lastPercent);
                lastPercent = seen.percent;
            }
            if (result != 0)
                return seen;
            std::this_thread::yield();
        }
    }

    std::unique_ptr<VirtualPacer> ownedPacer_ = std::make_unique<VirtualPacer>();
    VirtualPacer *pacer_ = ownedPacer_.get();
    std::vector<EmulatedTerminal> terminals_;
    std::vector<std::shared_ptr<EmulatedDfuDevice>> devices_;
};

TEST_F(UsbBackendTest, ListsTerminalsAndReportsWhatTheirDescriptorsSay)
{
    UsbDeviceRecord runtime = Record("Ab12CD", "VORN 470 M online KOTRX RTM");
    runtime.configurationText = "FVORN 470 7 ID01";
    EmulatedDeviceConfig runtimeConfig;
    runtimeConfig.attributes = kAttrCanDnload | kAttrCanUpload;
    AddDevice(runtimeConfig, runtime);
    UsbDeviceRecord loader = Record("X9", "VORN 460 M KOTRX DFU");
    loader.interfaceText = "FW=4.6.0 LD=4.1.2 TYPE=471";
    EmulatedDeviceConfig loaderConfig;
    loaderConfig.startInDfuMode = true;
    loaderConfig.attributes = kAttrCanDnload;
    AddDevice(loaderConfig, loader);
    UsbDeviceRecord bare = Record("NODESC", "VORN 470 M online");
    bare.hasFunctional = false;
    AddDevice({}, bare);
    Install();

    uint32_t productLength = 0, idLength = 0;
    ASSERT_EQ(ListVORNDevices(nullptr, &productLength, nullptr, &idLength), 0u);
    std::vector<char> products(productLength), ids(idLength);
    ASSERT_EQ(ListVORNDevices(products.data(), &productLength, ids.data(), &idLength), 0u);
    const char expectedIds[] = "Ab12CD\0X9\0NODESC\0";
    EXPECT_EQ(std::vector<char>(ids.begin(), ids.end()),
              std::vector<char>(expectedIds, expectedIds + sizeof expectedIds));
    EXPECT_STREQ(products.data(), "VORN 470 M online KOTRX RTM");

    uint32_t firmware = 1, loaderVersion = 1, type = 1, attributes = 0;
    uint16_t extra = 0;
    char ident[130];
    std::memset(ident, 'x', sizeof ident);
    // The wizard changes the ID's letter case.
    ASSERT_EQ(GetwBCDDeviceFWVersion(Id("AB12cd").bytes, 16, &firmware, &loaderVersion, &type, &extra, ident),
              0u);
    EXPECT_EQ(firmware, 0x0302u);
    EXPECT_EQ(loaderVersion, 0u);
    EXPECT_EQ(type, 470u);
    EXPECT_EQ(extra, 0x0470);
    EXPECT_STREQ(ident, "FVORN 470 7 ID01");
    EXPECT_EQ(ident[129], 0);
    ASSERT_EQ(GetDFUAttributes(Id("ab12cd").bytes, 16, &attributes), 0u);
    EXPECT_EQ(attributes, unsigned{kAttrCanDnload | kAttrCanUpload});

    ASSERT_EQ(GetwBCDDeviceFWVersion(Id("x9").bytes, 16, &firmware, &loaderVersion, &type, &extra, ident),
              0u);
    EXPECT_EQ(firmware, 0x01040600u);
    EXPECT_EQ(loaderVersion, 0x01040102u);
    EXPECT_EQ(type, 471u);

    EXPECT_EQ(GetDFUAttributes(Id("NODESC").bytes, 16, &attributes), UPG_NO_DESCRIPTOR);
    EXPECT_EQ(GetwBCDDeviceFWVersion(Id("Ab12C").bytes, 16, &firmware, &loaderVersion, &type, &extra, ident),
              UPG_NO_DEVICE);
    EXPECT_EQ(GetDFUAttributes(Id("nobody").bytes, 16, &attributes), UPG_NO_DEVICE);
}

// An empty product text would end the wizard's list at that terminal; the
// version query names the same model as the list (no TYPE= here).
TEST_F(UsbBackendTest, ATerminalWithoutProductTextIsListedUnderItsModelOrItsUsbIds)
{
    struct Row {
        const char *serial;
        const char *product;
        uint16_t idProduct;
        const char *listed;
        uint32_t deviceType;
    };
    const Row rows[] = {
        {"NAMED", "VORN 470 M online", 0x0470, "VORN 470 M online", 470},
        {"MODEL", "", 0x0470, "VORN 470", 470},
        {"SHORT", "", 0x0060, "VORN 60", 60},
        {"HEXID", "", 0x1a2b, "USB terminal 0d7b:1a2b", 0},
        {"ZERO", "", 0x0000, "USB terminal 0d7b:0000", 0},
        {"LAST", "VORN 460 M", 0x0460, "VORN 460 M", 460},
    };
    for (const Row &row : rows) {
        UsbDeviceRecord record = Record(row.serial, row.product);
        record.idProduct = row.idProduct;
        AddDevice({}, record);
    }
    Install();

    uint32_t productLength = 0, idLength = 0;
    ASSERT_EQ(ListVORNDevices(nullptr, &productLength, nullptr, &idLength), 0u);
    std::vector<char> products(productLength), ids(idLength);
    ASSERT_EQ(ListVORNDevices(products.data(), &productLength, ids.data(), &idLength), 0u);
    const char *text = products.data();
    for (const Row &row : rows) {
        ASSERT_LT(text, products.data() + products.size()) << row.serial;
        EXPECT_STREQ(text, row.listed) << row.serial;
        text += std::strlen(text) + 1;
        uint32_t firmware = 0, loader = 0, type = 1;
        uint16_t extra = 0;
        char ident[130];
        ASSERT_EQ(GetwBCDDeviceFWVersion(Id(row.serial).bytes, 16, &firmware, &loader, &type, &extra, ident),
                  0u);
        EXPECT_EQ(type, row.deviceType) << row.serial;
    }
}

TEST_F(UsbBackendTest, RefusesToStartWhatCannotWork)
{
    UsbDeviceRecord noUpload = Record("NOUP", "VORN 470");
    noUpload.functional.attributes = kAttrCanDnload;
    EmulatedDeviceConfig noUploadConfig;
    noUploadConfig.attributes = kAttrCanDnload;
    AddDevice(noUploadConfig, noUpload);
    UsbDeviceRecord noDescriptor = Record("NODESC", "VORN 470");
    noDescriptor.hasFunctional = false;
    AddDevice({}, noDescriptor);
    AddDevice({}, Record("LOCKED", "VORN 470"), UPG_CONNECT_FAILED);
    auto good = AddDevice({}, Record("GOOD", "VORN 470"));
    Install();
    ScratchFolder folder;
    const auto backup = folder / "backup.dfu";
    Part part(Pattern(1000, 1));
    Part foreign(Pattern(1000, 1), 0x1234);
    Part anyVendor(Pattern(1000, 1), tvx::kAnyVendorId);
    Part corrupt(Pattern(1000, 1));
    corrupt.CorruptCrc();

    EXPECT_EQ(TVXDeviceFirmwareUpgrade(Id("nobody").bytes, 16, part.Entry(), nullptr), UPG_NO_DEVICE);
    EXPECT_EQ(TVXDeviceFirmwareUpgrade(Id("GOOD").bytes, 16, foreign.Entry(), nullptr), UPG_VENDOR_MISMATCH);
    EXPECT_EQ(TVXDeviceFirmwareUpgrade(Id("GOOD").bytes, 16, corrupt.Entry(), nullptr), UPG_CRC_MISMATCH);
    EXPECT_EQ(TVXDeviceFirmwareUpgrade(Id("NOUP").bytes, 16, part.Entry(), Utf8(backup).c_str()),
              UPG_NO_UPLOAD);
    EXPECT_EQ(TVXDeviceFirmwareUpgrade(Id("NODESC").bytes, 16, part.Entry(), nullptr), UPG_NO_DESCRIPTOR);
    EXPECT_EQ(TVXDeviceFirmwareUpgrade(Id("LOCKED").bytes, 16, part.Entry(), nullptr), UPG_CONNECT_FAILED);
    EXPECT_EQ(folder.Entries(), 0u);
    EXPECT_EQ(good->Log().controlTransfers, 0);
    // Nothing has run, so there is no status to read.
    EXPECT_EQ(GetUpgradeStatus(nullptr, nullptr, nullptr, nullptr), UPG_HOST_ERROR);

    // The "any vendor" suffix is accepted; the device gets the image only.
    ASSERT_EQ(TVXDeviceFirmwareUpgrade(Id("good").bytes, 16, anyVendor.Entry(), nullptr), 0u);
    EXPECT_EQ(PollToEnd().status, 0);
    EXPECT_EQ(good->Firmware(), Pattern(1000, 1));
}

// The wizard lists a serial number whole but keeps 16 characters of it: those
// address the terminal. Two terminals that share them are both listed, and
// neither answers to them.
TEST_F(UsbBackendTest, IdsLongerThanSixteenCharactersAddressByTheirFirstSixteen)
{
    auto alone = AddDevice({}, Record("K470A0001234567890AB", "VORN 470 M online"));
    auto first = AddDevice({}, Record("K460B0004711000001", "VORN 460 M"));
    auto second = AddDevice({}, Record("K460B0004711000002", "VORN 460 M"));
    Install();

    uint32_t productLength = 0, idLength = 0;
    ASSERT_EQ(ListVORNDevices(nullptr, &productLength, nullptr, &idLength), 0u);
    std::vector<char> products(productLength), ids(idLength);
    ASSERT_EQ(ListVORNDevices(products.data(), &productLength, ids.data(), &idLength), 0u);
    const char expectedIds[] = "K470A0001234567890AB\0K460B0004711000001\0K460B0004711000002\0";
    EXPECT_EQ(std::vector<char>(ids.begin(), ids.end()),
              std::vector<char>(expectedIds, expectedIds + sizeof expectedIds));

    uint32_t firmware = 0, loader = 0, type = 0, attributes = 0;
    uint16_t extra = 0;
    char ident[130];
    EXPECT_EQ(
        GetwBCDDeviceFWVersion(Id("k470a00012345678").bytes, 16, &firmware, &loader, &type, &extra, ident),
        0u);
    EXPECT_EQ(GetDFUAttributes(Id("K470A00012345678").bytes, 16, &attributes), 0u);

    ::testing::internal::CaptureStderr();
    EXPECT_EQ(
        GetwBCDDeviceFWVersion(Id("K460B00047110000").bytes, 16, &firmware, &loader, &type, &extra, ident),
        UPG_CONNECT_FAILED);
    EXPECT_EQ(GetDFUAttributes(Id("K460B00047110000").bytes, 16, &attributes), UPG_CONNECT_FAILED);
    EXPECT_EQ(attributes, 0u);
    Part part(Pattern(1000, 1));
    EXPECT_EQ(TVXDeviceFirmwareUpgrade(Id("k460b00047110000").bytes, 16, part.Entry(), nullptr),
              UPG_CONNECT_FAILED);
    const std::string hint = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(hint.find("K460B0004711000001, K460B0004711000002 share the ID K460B00047110000"),
              std::string::npos)
        << hint;
    EXPECT_EQ(first->Log().controlTransfers + second->Log().controlTransfers, 0);

    ASSERT_EQ(TVXDeviceFirmwareUpgrade(Id("K470A00012345678").bytes, 16, part.Entry(), nullptr), 0u);
    EXPECT_EQ(PollToEnd().status, 0);
    EXPECT_EQ(alone->Firmware(), Pattern(1000, 1));
}

// The hint names the terminals by their serial numbers, the devices' own
// text: it reaches standard error with no escape sequence left in it.
TEST_F(UsbBackendTest, TheSharedIdHintShowsControlCharactersOfSerialNumbers)
{
    AddDevice({}, Record("K460C00000000000\x1b[2J", "VORN 460 M"));
    AddDevice({}, Record("K460C00000000000\x1b]0;owned\x07", "VORN 460 M"));
    Install();

    ::testing::internal::CaptureStderr();
    uint32_t attributes = 0;
    EXPECT_EQ(GetDFUAttributes(Id("K460C00000000000").bytes, 16, &attributes), UPG_CONNECT_FAILED);
    const std::string hint = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(hint.find("K460C00000000000\\x1b[2J, K460C00000000000\\x1b]0;owned\\x07 share the ID"),
              std::string::npos)
        << hint;
    EXPECT_EQ(hint.find_first_of("\x1b\x07"), std::string::npos) << hint;
}

// Run under ThreadSanitizer too: the caller polls while the worker writes.
TEST_F(UsbBackendTest, WorkerRunsTheUpgradeWhileTheCallerPolls)
{
    EmulatedDeviceConfig config;
    config.transferSize = 64;
    config.firmware = Pattern(20000, 3);
    config.reenumeration = std::chrono::seconds(3);
    auto device = AddDevice(config, Record("T1", "VORN 470"));
    Install();
    ScratchFolder folder;
    const auto backup = folder / "backup.dfu";
    const std::vector<uint8_t> image = Pattern(50000, 5);
    Part part(image);
    Part corrupt(image);
    corrupt.CorruptCrc();

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        const std::vector<uint8_t> previous = device->Firmware();
        device->HoldNextTransfer();
        ASSERT_EQ(TVXDeviceFirmwareUpgrade(Id("t1").bytes, 16, part.Entry(), Utf8(backup).c_str()), 0u);
        device->WaitUntilHeld();
        // While the part runs a start is refused before even the part is
        // looked at, and the running part's status stays as it is.
        EXPECT_EQ(TVXDeviceFirmwareUpgrade(Id("t1").bytes, 16, corrupt.Entry(), nullptr), UPG_HOST_ERROR);
        EXPECT_EQ(TVXDeviceFirmwareUpgrade(Id("t1").bytes, 16, part.Entry(), nullptr), UPG_HOST_ERROR);
        uint32_t phase = 9;
        int32_t status = 9;
        EXPECT_EQ(GetUpgradeStatus(nullptr, nullptr, &phase, &status), 0u);
        EXPECT_EQ(phase, TVXDFU_PHASE_INIT);
        EXPECT_EQ(status, 0);
        // Events while the worker runs only make it look sooner.
        ConfigurationChange(0x8004, nullptr);
        device->Release();
        ConfigurationChange(0x8000, nullptr);
        const Observed seen = PollToEnd();

        EXPECT_EQ(seen.status, 0);
        EXPECT_EQ(seen.phase, TVXDFU_PHASE_FINISHED);
        EXPECT_EQ(seen.percent, 100u);
        for (std::size_t i = 1; i < seen.phases.size(); ++i) {
            const auto rank = [](uint32_t seenPhase) {
                return seenPhase == TVXDFU_PHASE_INIT       ? 0
                       : seenPhase == TVXDFU_PHASE_UPLOAD   ? 1
                       : seenPhase == TVXDFU_PHASE_DOWNLOAD ? 2
                                                            : 3;
            };
            EXPECT_LT(rank(seen.phases[i - 1]), rank(seen.phases[i]));
        }
        // The part ends once the terminal is back with its new firmware. A
        // start that fails leaves the ended part's status readable.
        EXPECT_EQ(device->Firmware(), image);
        EXPECT_EQ(TVXDeviceFirmwareUpgrade(Id("t1").bytes, 16, corrupt.Entry(), nullptr), UPG_CRC_MISMATCH);
        uint32_t percent = 0;
        EXPECT_NE(GetUpgradeStatus(nullptr, &percent, &phase, &status), 0u);
        EXPECT_EQ(phase, TVXDFU_PHASE_FINISHED);
        EXPECT_EQ(percent, 100u);
        EXPECT_EQ(status, 0);
        const std::vector<uint8_t> file = ReadFile(backup);
        ASSERT_EQ(file.size(), previous.size() + tvx::kDfuSuffixLength);
        EXPECT_TRUE(std::equal(previous.begin(), previous.end(), file.begin()));
    }
}

TEST_F(UsbBackendTest, ADeviceThatNeverReturnsEndsThePartWithATimeout)
{
    EmulatedDeviceConfig config;
    config.returnsAfterReset = false;
    AddDevice(config, Record("GONE", "VORN 470"));
    Install();
    Part part(Pattern(100, 1));

    ASSERT_EQ(TVXDeviceFirmwareUpgrade(Id("GONE").bytes, 16, part.Entry(), nullptr), 0u);
    const Observed seen = PollToEnd();
    EXPECT_EQ(seen.status, kStatusTimeout);
    EXPECT_EQ(seen.phase, TVXDFU_PHASE_INIT);
    // The device has left the bus for good.
    uint32_t productLength = 0, idLength = 0;
    ASSERT_EQ(ListVORNDevices(nullptr, &productLength, nullptr, &idLength), 0u);
    EXPECT_EQ(idLength, 1u);
}

TEST(SteadyPacerTest, AWakeFromAnotherThreadEndsTheWait)
{
    SteadyPacer pacer;
    const auto start = std::chrono::steady_clock::now();
    std::thread waker([&] { pacer.Wake(); });
    pacer.WaitForDeviceEvent(std::chrono::seconds(20));
    waker.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

} // namespace
} // namespace tvxdfu::usb
