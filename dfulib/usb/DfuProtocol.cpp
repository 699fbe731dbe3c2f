#include "dfulib/usb/DfuProtocol.h"

namespace tvxdfu::usb {

bool FindFunctionalDescriptor(const uint8_t *bytes, std::size_t size, DfuFunctional *out)
{
    std::size_t at = 0;
    while (at + 2 <= size) {
        const std::size_t length = bytes[at];
        if (length < 2 || at + length > size)
            return false;
        if (bytes[at + 1] == kFunctionalDescriptorType && length >= 7) {
            const uint8_t *d = bytes + at;
            out->attributes = d[2];
            out->detachTimeoutMs = static_cast<uint16_t>(d[3] | d[4] << 8);
            out->transferSize = static_cast<uint16_t>(d[5] | d[6] << 8);
            out->dfuVersion = length >= 9 ? static_cast<uint16_t>(d[7] | d[8] << 8) : 0x0100;
            return true;
        }
        at += length;
    }
    return false;
}

void EncodeStatus(const DfuStatus &status, uint8_t out[kStatusLength])
{
    out[0] = status.status;
    out[1] = static_cast<uint8_t>(status.pollTimeoutMs);
    out[2] = static_cast<uint8_t>(status.pollTimeoutMs >> 8);
    out[3] = static_cast<uint8_t>(status.pollTimeoutMs >> 16);
    out[4] = static_cast<uint8_t>(status.state);
    out[5] = status.stringIndex;
}

DfuStatus DecodeStatus(const uint8_t in[kStatusLength])
{
    DfuStatus status;
    status.status = in[0];
    status.pollTimeoutMs = static_cast<uint32_t>(in[1] | in[2] << 8 | in[3] << 16);
    status.state = static_cast<DfuState>(in[4]);
    status.stringIndex = in[5];
    return status;
}

} // namespace tvxdfu::usb
