// Identification of a part image from its DFU suffix and header, on images
// whose heap block is exactly their size (reads past the end show under ASan).
#include <gtest/gtest.h>

#include <vector>

#include "platform/ScriptedWindow.h"
#include "wizard/CTVXUpgradeDlg.h"

namespace {

struct ImageCase {
    const char *name;
    int32_t size;
    uint8_t firstByte;
    int32_t loaderOffset; // where the loader word is put; 0 = nowhere
    uint16_t loaderWord;
    uint16_t suffixFirmware;
    uint32_t status;
    uint16_t firmware; // expected outputs; preset 0xAAAA stays when not written
    uint16_t loader;
};

constexpr uint16_t kUntouched = 0xAAAA;
constexpr uint16_t kProductId = 0x1234;

void Put16(std::vector<uint8_t> &bytes, std::size_t offset, uint16_t value)
{
    bytes.at(offset) = static_cast<uint8_t>(value);
    bytes.at(offset + 1) = static_cast<uint8_t>(value >> 8);
}

class IdentifyImageTest : public ::testing::TestWithParam<ImageCase> {
protected:
    tvx::ScriptedWindow window{90};
    MonitorMemory monitor;
    CTVXUpgradeDlg dialog{window, monitor};
};

} // namespace

TEST_P(IdentifyImageTest, ReadsSuffixAndLoaderInsideTheImage)
{
    const ImageCase &c = GetParam();
    std::vector<uint8_t> bytes(static_cast<std::size_t>(c.size));
    bytes[0] = c.firstByte;
    if (c.loaderOffset)
        Put16(bytes, static_cast<std::size_t>(c.loaderOffset), c.loaderWord);
    Put16(bytes, bytes.size() - 16, c.suffixFirmware);
    Put16(bytes, bytes.size() - 14, kProductId);
    PackageEntry part{};
    part.data = bytes.data();
    part.size = c.size;

    uint16_t firmware = kUntouched, loader = kUntouched, productId = kUntouched;
    EXPECT_EQ(dialog.IdentifyImage(&part, &firmware, &loader, &productId), c.status);
    EXPECT_EQ(firmware, c.firmware);
    EXPECT_EQ(loader, c.loader);
    EXPECT_EQ(productId, kProductId);
}

INSTANTIATE_TEST_SUITE_P(
    Images, IdentifyImageTest,
    ::testing::Values(ImageCase{"KindZeroLoaderAt226", 300, 0x05, 226, 0x0102, 0x0319, 0, 0x0319, 0x0102},
                      ImageCase{"KindOneLoaderAt354", 400, 0x1F, 354, 0x0205, 0x0319, 0, 0x0319, 0x0205},
                      ImageCase{"LoaderOffsetTooCloseToTheEnd", 242, 0x00, 0, 0, 0x0319, 0, 0x0319, 0},
                      ImageCase{"KindOneTooShort", 370, 0x10, 0, 0, 0x0319, 0, 0x0319, 0},
                      ImageCase{"OtherKindHasNoLoader", 400, 0x20, 354, 0x0205, 0x0319, 0, 0x0319, 0},
                      ImageCase{"LoaderNotBcd", 300, 0x00, 226, 0x01AB, 0x0319, 0, 0x0319, 0},
                      ImageCase{"FirmwareNotBcd", 300, 0x00, 226, 0x0102, 0x031A, 13, kUntouched,
                                kUntouched}),
    [](const auto &tested) { return std::string(tested.param.name); });

TEST(IdentifyImage, NoImageOrNoRoomForTheSuffix)
{
    tvx::ScriptedWindow window{90};
    MonitorMemory monitor;
    CTVXUpgradeDlg dialog{window, monitor};
    std::vector<uint8_t> bytes(16);
    PackageEntry part{};
    part.data = bytes.data();
    uint16_t firmware = kUntouched, loader = kUntouched, productId = kUntouched;

    EXPECT_EQ(dialog.IdentifyImage(nullptr, &firmware, &loader, &productId), 1006u);
    for (int32_t size : {16, 0, -1}) {
        part.size = size;
        EXPECT_EQ(dialog.IdentifyImage(&part, &firmware, &loader, &productId), 1006u) << size;
    }
    EXPECT_EQ(firmware, kUntouched);
    EXPECT_EQ(productId, kUntouched);
}
