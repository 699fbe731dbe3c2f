// Result of every check and of the upgrade start: 0 is success, the wizard's
// own codes are 0xDF5500nn, the device library returns codes of the same
// family (declared with the library), anything else is unrecognised. Here
// beside the versions, as reading an image header gives one of them.
#pragma once

#include <cstdint>

#include "dfulib/include/TVXDFUUpgrade.h"

using UpgradeResult = uint32_t;

inline constexpr UpgradeResult UPG_PRODUCT_MISMATCH = 0xDF550005u;
inline constexpr UpgradeResult UPG_NO_DOWNLOAD = 0xDF550008u;
inline constexpr UpgradeResult UPG_DEVICE_REMOVED = 0xDF55000Au;
inline constexpr UpgradeResult UPG_LOADER_MISMATCH = 0xDF55000Bu;
inline constexpr UpgradeResult UPG_VERSION_NOT_SUPPORTED = 0xDF55000Cu;
inline constexpr UpgradeResult UPG_RESTART_WITH_PART = 0xDF550015u;
inline constexpr UpgradeResult UPG_BAD_CATALOG_VERSION = 0xDF550017u;
inline constexpr UpgradeResult UPG_BAD_FIRMWARE_FORMAT = 0xDF550018u;
inline constexpr UpgradeResult UPG_USER_CANCELLED = 0xDF55001Bu;
