#include "UsbDriveFixture.h"

#include <QCoreApplication>

#include <cstdlib>

#include "Backend.h"
#include "ProcessBackend.h"

TerminalSetup UsbThreePartTerminal(const std::string &id)
{
    TerminalSetup setup;
    setup.spec.id = id;
    setup.spec.model = "VORN 470 M online";
    setup.spec.vendorCode = "KOTRX";
    setup.spec.format = tvxdfu::sim::VersionFormat::ThreePart;
    setup.spec.firmware = 0x01040600;
    setup.spec.loader = 0x01010402;
    setup.spec.deviceType = 470;
    setup.spec.identNumber = 12345;
    setup.spec.productId = 0x0470;
    setup.spec.imageSize = 8192;
    setup.dfu.reenumeration = std::chrono::milliseconds(200);
    return setup;
}

TerminalSetup UsbBcdTerminal(const std::string &id)
{
    TerminalSetup setup = UsbThreePartTerminal(id);
    setup.spec.model = "VORN 460 M";
    setup.spec.format = tvxdfu::sim::VersionFormat::Bcd;
    setup.spec.firmware = 0x0302;
    setup.spec.loader = 0x0110;
    setup.spec.deviceType = 460;
    setup.spec.productId = 0x0460;
    return setup;
}

void UsbDriveTest::SetUp()
{
    DriveTest::SetUp();
    unsetenv("TVX_SIMULATOR");
    testbed_ = std::make_unique<tvxdfu::usb::testbed::UsbTestbed>();
    ASSERT_TRUE(testbed_->Ready()) << "run under umockdev-wrapper (LD_PRELOAD=libumockdev-preload.so.0)";
}

void UsbDriveTest::TearDown()
{
    DriveTest::TearDown();
    // Everything that listens to the testbed goes before it.
    monitor_.reset();
    tvxdfu::ReplaceProcessBackend(nullptr);
    testbed_.reset();
}

TestbedTerminal &UsbDriveTest::Plug(TerminalSetup setup) { return testbed_->Add(std::move(setup)); }

void UsbDriveTest::Open()
{
    tvxdfu::ReplaceProcessBackend(tvxdfu::MakeUsbBackend());
    monitor_ = std::make_unique<tvx::UdevMonitor>();
    ASSERT_TRUE(monitor_->IsActive());
    StartOnUsb([] { QCoreApplication::processEvents(); });
}
