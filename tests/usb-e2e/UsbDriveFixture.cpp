#include "tests/usb-e2e/UsbDriveFixture.h"

#include <QCoreApplication>

#include <cstdlib>

#include "dfulib/src/Backend.h"
#include "dfulib/src/ProcessBackend.h"
#include "dfulib/usb/testbed/TestbedTerminals.h"

TerminalSetup UsbThreePartTerminal(const std::string &id)
{
    return tvxdfu::usb::testbed::Vorn470Terminal(id, std::chrono::milliseconds(200));
}

TerminalSetup UsbBcdTerminal(const std::string &id)
{
    return tvxdfu::usb::testbed::Vorn460Terminal(id, 0x0110, std::chrono::milliseconds(200));
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

TestbedTerminal &UsbDriveTest::Plug(TerminalSetup setup)
{
    return testbed_->Add(std::move(setup));
}

void UsbDriveTest::Open()
{
    tvxdfu::ReplaceProcessBackend(tvxdfu::MakeUsbBackend());
    monitor_ = std::make_unique<tvx::UdevMonitor>();
    ASSERT_TRUE(monitor_->IsActive());
    StartOnUsb([] { QCoreApplication::processEvents(); });
}
