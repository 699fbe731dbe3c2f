// The headless driver on the device library's USB backend: emulated
// terminals on a umockdev testbed behind the real libusb, device events from
// the wizard's own udev monitor, the window's clock in step with the wall
// clock.
#pragma once

#include <memory>

#include "dfulib/usb/testbed/UsbTestbed.h"
#include "platform/qt/UdevMonitor.h"
#include "tests/support/DriveFixture.h"

using tvxdfu::usb::testbed::TerminalSetup;
using tvxdfu::usb::testbed::TestbedTerminal;

// A three-part VORN 470 (firmware 4.6.0, loader 1.4.2) with ID `id`.
TerminalSetup UsbThreePartTerminal(const std::string &id);
// A BCD VORN 460 (firmware 3.02) with ID `id`, its loader 1.10 one that
// Package460 does not list, so that it gets all three parts.
TerminalSetup UsbBcdTerminal(const std::string &id);

class UsbDriveTest : public DriveTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Plugs the terminal in before the wizard opens (or while it runs).
    TestbedTerminal &Plug(TerminalSetup setup);
    // The library on USB, the udev monitor, and the wizard, opened.
    void Open();

    tvxdfu::usb::testbed::UsbTestbed &Bus() { return *testbed_; }

private:
    std::unique_ptr<tvxdfu::usb::testbed::UsbTestbed> testbed_;
    std::unique_ptr<tvx::UdevMonitor> monitor_;
};
