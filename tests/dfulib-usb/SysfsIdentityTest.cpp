#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "SysfsIdentity.h"

namespace tvxdfu::usb {
namespace {

TEST(SysfsIdentity, FolderFollowsBusAndHubPorts)
{
    const uint8_t direct[] = {3};
    const uint8_t behindHubs[] = {2, 4, 1};
    EXPECT_EQ(SysfsDeviceFolder(1, direct, 1), "/sys/bus/usb/devices/1-3");
    EXPECT_EQ(SysfsDeviceFolder(2, behindHubs, 3), "/sys/bus/usb/devices/2-2.4.1");
}

TEST(SysfsIdentity, AttributeIsItsFirstLine)
{
    const auto folder = std::filesystem::temp_directory_path() / "tvx-sysfs-test";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "serial") << "K470A0001234\n";
    std::string value;
    EXPECT_TRUE(ReadSysfsAttribute(folder.string(), "serial", &value));
    EXPECT_EQ(value, "K470A0001234");
    EXPECT_FALSE(ReadSysfsAttribute(folder.string(), "product", &value));
    std::filesystem::remove_all(folder);
}

TEST(SysfsIdentity, ProductTextNamesTheMissingRule)
{
    EXPECT_EQ(NoAccessProductText("VORN 470 M online"),
              "VORN 470 M online (no access: the udev rule 70-tvxupgrade.rules is not installed)");
    EXPECT_NE(NoAccessProductText("").find("70-tvxupgrade.rules"), std::string::npos);
}

} // namespace
} // namespace tvxdfu::usb
