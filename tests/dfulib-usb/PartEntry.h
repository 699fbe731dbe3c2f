// A part as the package reader hands it over: payload and DFU suffix.
#pragma once

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "dfulib/include/TVXDFUUpgrade.h"
#include "dfulib/suffix/DfuSuffix.h"

namespace tvxdfu::usb {

class Part {
public:
    explicit Part(std::vector<uint8_t> payload, uint16_t vendor = tvx::kVornVendorId)
        : bytes_(std::move(payload))
    {
        uint8_t suffix[tvx::kDfuSuffixLength];
        tvx::WriteDfuSuffix(bytes_.data(), bytes_.size(), 0x0400, 0x0470, vendor, suffix);
        bytes_.insert(bytes_.end(), suffix, suffix + sizeof suffix);
        std::strcpy(entry_.name, "FIRMWARE.DFU");
        entry_.kind = EntryKindPart;
        Refresh();
    }
    void CorruptCrc()
    {
        bytes_.back() ^= 0x01;
        Refresh();
    }
    const PackageEntry *Entry() const { return &entry_; }

private:
    void Refresh()
    {
        entry_.data = bytes_.data();
        entry_.size = static_cast<int32_t>(bytes_.size());
    }
    std::vector<uint8_t> bytes_;
    PackageEntry entry_{};
};

} // namespace tvxdfu::usb
