#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "dfulib/usb/SysfsIdentity.h"

namespace tvxdfu::usb {
namespace {

TEST(SysfsIdentity, FoldersFollowBusHubPortsAndInterface)
{
    const uint8_t direct[] = {3};
    const uint8_t behindHubs[] = {2, 4, 1};
    EXPECT_EQ(SysfsDeviceFolder(1, direct, 1), "/sys/bus/usb/devices/1-3");
    EXPECT_EQ(SysfsDeviceFolder(2, behindHubs, 3), "/sys/bus/usb/devices/2-2.4.1");
    EXPECT_EQ(SysfsInterfaceFolder("/sys/bus/usb/devices/2-2.4.1", 1, 3),
              "/sys/bus/usb/devices/2-2.4.1/2-2.4.1:1.3");
}

// The kernel shows a string it could not read as an empty file (the
// configuration's) or no file at all (product, serial): both are unread.
TEST(SysfsIdentity, AttributeIsItsFirstLineAndAnEmptyOneIsUnread)
{
    const auto folder = std::filesystem::temp_directory_path() / "tvx-sysfs-test";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "serial") << "K470A0001234\n";
    std::ofstream(folder / "configuration") << "";
    std::string value;
    EXPECT_TRUE(ReadSysfsAttribute(folder.string(), "serial", &value));
    EXPECT_EQ(value, "K470A0001234");
    EXPECT_FALSE(ReadSysfsAttribute(folder.string(), "product", &value));
    EXPECT_FALSE(ReadSysfsAttribute(folder.string(), "configuration", &value));
    std::filesystem::remove_all(folder);
}

TEST(SysfsIdentity, ProductTextNamesTheCause)
{
    EXPECT_EQ(NoAccessProductText("VORN 470 M online", "the udev rule 70-tvxupgrade.rules is not installed"),
              "VORN 470 M online (no access: the udev rule 70-tvxupgrade.rules is not installed)");
}

} // namespace
} // namespace tvxdfu::usb
