/* TVXDFUUpgrade: the device-upgrade library of the VORN terminals.
 * Every function returns a 32-bit result, 0 meaning success. A terminal is
 * addressed by its ID-number text (at most 16 characters), always passed
 * with the length 16. */
#ifndef TVX_DFU_UPGRADE_H
#define TVX_DFU_UPGRADE_H

#include <stdint.h>
#include "TVXPackageEntry.h"

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32) && defined(TVXDFU_STATIC)
#define TVXDFU_API /* linked statically, or building the DLL (its .def exports) */
#elif defined(_WIN32)
#define TVXDFU_API __declspec(dllimport)
#else
#define TVXDFU_API __attribute__((visibility("default")))
#endif

/* Result codes of the library (family 0xDF5500nn). */
#define UPG_HOST_ERROR      0xDF550001u
#define UPG_OUT_OF_MEMORY   0xDF550002u
#define UPG_NO_DEVICE       0xDF550003u
#define UPG_VENDOR_MISMATCH 0xDF550004u
#define UPG_CONNECT_FAILED  0xDF550006u
#define UPG_NO_DESCRIPTOR   0xDF550007u
#define UPG_NO_UPLOAD       0xDF550009u
#define UPG_CRC_MISMATCH    0xDF55000Du
/* A buffer was too small (the system's own code for it). */
#define TVXDFU_BUFFER_TOO_SMALL 122u

/* Phases reported by GetUpgradeStatus. */
#define TVXDFU_PHASE_INIT     0u
#define TVXDFU_PHASE_DOWNLOAD 1u
#define TVXDFU_PHASE_UPLOAD   2u
#define TVXDFU_PHASE_FINISHED 3u
#define TVXDFU_PHASE_PIN      4u

/* Statuses of GetUpgradeStatus in TVXDFU_PHASE_PIN that are prompts on the
 * terminal's display, not errors: the part goes on. */
#define TVXDFU_PIN_PROMPT_ADJUST_DISPLAY 0x80u /* adjust the standard display first */
#define TVXDFU_PIN_PROMPT_WRONG_PIN      0x81u /* the PIN entered was wrong */

/* DFU attribute bits that GetDFUAttributes reports, those of the terminal's
 * DFU functional descriptor. */
#define TVXDFU_ATTR_CAN_DOWNLOAD           0x1u
#define TVXDFU_ATTR_CAN_UPLOAD             0x2u /* it can read its firmware back */
#define TVXDFU_ATTR_MANIFESTATION_TOLERANT 0x4u /* it still answers after the download */
#define TVXDFU_ATTR_WILL_DETACH            0x8u /* it detaches without a USB reset */

/* Lists the attached terminals as two parallel lists of NUL-terminated texts,
 * each list ended by an empty text. Called with NULL buffers it stores the
 * needed lengths; 122 when a buffer is too small. */
TVXDFU_API uint32_t ListVORNDevices(char *productTexts, uint32_t *productLength, char *idNumbers,
                                    uint32_t *idLength);

/* Firmware and loader version: BCD 0xMMmm in the low 16 bits, or a
 * three-part value 0x01MMmmpp (bit 24 set). identText: 130 bytes. */
TVXDFU_API uint32_t GetwBCDDeviceFWVersion(const char *id, uint32_t idLength, uint32_t *firmware,
                                           uint32_t *loader, uint32_t *deviceType, uint16_t *extraValue,
                                           char *identText);

TVXDFU_API uint32_t GetDFUAttributes(const char *id, uint32_t idLength, uint32_t *attributes);

/* Starts writing one part and returns at once; backupPath may be NULL. */
TVXDFU_API uint32_t TVXDeviceFirmwareUpgrade(const char *id, uint32_t idLength, const PackageEntry *part,
                                             const char *backupPath);

/* 0 while the part is still being written; any other result: the part ended,
 * with the status as last written. */
TVXDFU_API uint32_t GetUpgradeStatus(uint32_t *bytes, uint32_t *percent, uint32_t *phase, int32_t *status);

/* A device-interface event (0x8000 arrival, 0x8004 removal) and its record. */
TVXDFU_API uint32_t ConfigurationChange(uint32_t eventCode, const void *broadcastRecord);

#ifdef __cplusplus
}
#endif

#endif
