// Emulated terminals on a umockdev testbed, and the device library's real
// USB backend (libusb) over them, called through the C API as the wizard
// calls it.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "dfulib/include/TVXDFUUpgrade.h"
#include "dfulib/sim/ImageHeader.h"
#include "dfulib/src/Backend.h"
#include "dfulib/src/ProcessBackend.h"
#include "dfulib/suffix/DfuSuffix.h"
#include "dfulib/usb/testbed/TestbedTerminals.h"
#include "dfulib/usb/testbed/UsbTestbed.h"

namespace tvxdfu::usb::testbed {

// A three-part VORN 470 (firmware 4.6.0, loader 1.4.2) in normal operation.
inline TerminalSetup ThreePartTerminal(const std::string &id)
{
    return Vorn470Terminal(id, std::chrono::milliseconds(150));
}

// A BCD VORN 460 (firmware 3.02, loader 1.11) in normal operation.
inline TerminalSetup BcdTerminal(const std::string &id)
{
    return Vorn460Terminal(id, 0x0111, std::chrono::milliseconds(150));
}

// A firmware image whose header states these versions.
inline std::vector<uint8_t> Image(uint32_t firmware, uint32_t loader, std::size_t size = 8192,
                                  uint32_t seed = 7)
{
    const bool threePart = firmware & 0x01000000u;
    return sim::MakeFirmwareImage(threePart ? sim::VersionFormat::ThreePart : sim::VersionFormat::Bcd,
                                  firmware, loader, 12346, size, seed);
}

// A part as the package reader hands it over: payload and DFU suffix.
class Part {
public:
    explicit Part(std::vector<uint8_t> payload) : bytes_(std::move(payload))
    {
        uint8_t suffix[tvx::kDfuSuffixLength];
        tvx::WriteDfuSuffix(bytes_.data(), bytes_.size(), 0xFFFF, 0x0470, tvx::kVornVendorId, suffix);
        bytes_.insert(bytes_.end(), suffix, suffix + sizeof suffix);
        std::strcpy(entry_.name, "FIRMWARE.DFU");
        entry_.kind = EntryKindPart;
        entry_.data = bytes_.data();
        entry_.size = static_cast<int32_t>(bytes_.size());
    }
    const PackageEntry *Entry() const { return &entry_; }

private:
    std::vector<uint8_t> bytes_;
    PackageEntry entry_{};
};

// What a part ended with, polled as the progress monitor polls.
struct PartEnd {
    uint32_t result = 0, bytes = 0, percent = 0, phase = 0;
    int32_t status = 0;
    std::vector<uint32_t> phases;
};

class TestbedTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testbed_ = std::make_unique<UsbTestbed>();
        ASSERT_TRUE(testbed_->Ready()) << "run under umockdev-wrapper (LD_PRELOAD=libumockdev-preload.so.0)";
    }
    void TearDown() override
    {
        // libusb's context and its udev monitor go before the testbed.
        ReplaceProcessBackend(nullptr);
        testbed_.reset();
    }
    // The library's own USB backend, made after the terminals are plugged.
    void UseUsbBackend() { ReplaceProcessBackend(MakeUsbBackend()); }

    static PartEnd PollToEnd(int limitMs = 60000)
    {
        PartEnd end;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
        for (;;) {
            end.result = GetUpgradeStatus(&end.bytes, &end.percent, &end.phase, &end.status);
            if (end.phases.empty() || end.phases.back() != end.phase)
                end.phases.push_back(end.phase);
            if (end.result != 0 || std::chrono::steady_clock::now() > deadline)
                return end;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    std::unique_ptr<UsbTestbed> testbed_;
};

inline std::vector<std::string> Texts(const std::vector<char> &buffer)
{
    std::vector<std::string> texts;
    for (const char *at = buffer.data(); *at; at += std::strlen(at) + 1)
        texts.emplace_back(at);
    return texts;
}

struct Listing {
    uint32_t result = 0;
    std::vector<std::string> products, ids;
};

// The list as the wizard reads it: sizes first, then the texts.
inline Listing List()
{
    Listing listing;
    uint32_t productLength = 0, idLength = 0;
    ListVORNDevices(nullptr, &productLength, nullptr, &idLength);
    std::vector<char> products(productLength + 1), ids(idLength + 1);
    listing.result = ListVORNDevices(products.data(), &productLength, ids.data(), &idLength);
    if (listing.result == 0) {
        listing.products = Texts(products);
        listing.ids = Texts(ids);
    }
    return listing;
}

using Rows = std::set<std::pair<std::string, std::string>>;

// The listing as (ID, product text) rows.
inline Rows RowsOf(const Listing &listing)
{
    EXPECT_EQ(listing.ids.size(), listing.products.size());
    Rows rows;
    for (std::size_t i = 0; i < listing.ids.size() && i < listing.products.size(); ++i)
        rows.emplace(listing.ids[i], listing.products[i]);
    return rows;
}

// A 16-byte ID field as the wizard passes it.
struct Id {
    explicit Id(const std::string &text) { std::strncpy(bytes, text.c_str(), sizeof bytes - 1); }
    char bytes[17] = {};
};

} // namespace tvxdfu::usb::testbed
