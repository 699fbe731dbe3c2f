// The DFU 1.1 class requests, states, status codes and descriptors the
// engine, the libusb bus and the emulated device share.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dfulib/include/TVXDFUUpgrade.h"

namespace tvxdfu::usb {

enum class DfuRequest : uint8_t {
    Detach = 0,
    Dnload = 1,
    Upload = 2,
    GetStatus = 3,
    ClrStatus = 4,
    GetState = 5,
    Abort = 6,
};

enum class DfuState : uint8_t {
    AppIdle = 0,
    AppDetach = 1,
    DfuIdle = 2,
    DnloadSync = 3,
    DnBusy = 4,
    DnloadIdle = 5,
    ManifestSync = 6,
    Manifest = 7,
    ManifestWaitReset = 8,
    UploadIdle = 9,
    DfuError = 10,
};

// bStatus values; the rest of 0..15 only ever come from the device.
inline constexpr uint8_t kStatusOk = 0x00;
inline constexpr uint8_t kStatusErrWrite = 0x03;
inline constexpr uint8_t kStatusErrAddress = 0x08;
inline constexpr uint8_t kStatusErrNotDone = 0x09;
inline constexpr uint8_t kStatusErrUnknown = 0x0E;
inline constexpr uint8_t kStatusErrStalledPkt = 0x0F;

// bmRequestType of class requests to the interface.
inline constexpr uint8_t kRequestTypeOut = 0x21;
inline constexpr uint8_t kRequestTypeIn = 0xA1;

inline constexpr uint8_t kDfuInterfaceClass = 0xFE;
inline constexpr uint8_t kDfuInterfaceSubclass = 0x01;
inline constexpr uint8_t kDfuProtocolRuntime = 0x01;
inline constexpr uint8_t kDfuProtocolDfuMode = 0x02;

inline constexpr uint8_t kFunctionalDescriptorType = 0x21;
// The bmAttributes bits, as the library reports them to its callers.
inline constexpr uint8_t kAttrCanDnload = TVXDFU_ATTR_CAN_DOWNLOAD;
inline constexpr uint8_t kAttrCanUpload = TVXDFU_ATTR_CAN_UPLOAD;
inline constexpr uint8_t kAttrManifestationTolerant = TVXDFU_ATTR_MANIFESTATION_TOLERANT;
inline constexpr uint8_t kAttrWillDetach = TVXDFU_ATTR_WILL_DETACH;

// The DFU functional descriptor.
struct DfuFunctional {
    uint8_t attributes = 0;
    uint16_t detachTimeoutMs = 0;
    uint16_t transferSize = 0;
    uint16_t dfuVersion = 0;
};

// Finds the functional descriptor in a run of class-specific descriptor bytes
// (the "extra" bytes after an interface or configuration descriptor). Older
// devices end it after wTransferSize; bcdDFUVersion then reads as 0x0100.
bool FindFunctionalDescriptor(const uint8_t *bytes, std::size_t size, DfuFunctional *out);

// The six-byte answer to GETSTATUS.
struct DfuStatus {
    uint8_t status = kStatusOk;
    uint32_t pollTimeoutMs = 0; // 24 bits on the wire
    DfuState state = DfuState::DfuIdle;
    uint8_t stringIndex = 0;
};

inline constexpr std::size_t kStatusLength = 6;

void EncodeStatus(const DfuStatus &status, uint8_t out[kStatusLength]);
DfuStatus DecodeStatus(const uint8_t in[kStatusLength]);

} // namespace tvxdfu::usb
