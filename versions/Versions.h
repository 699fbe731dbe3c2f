// Version values of terminals and package images, their text forms, and the
// header fields of a part image that carry them.
//
// Two kinds of version exist: 16-bit BCD (high byte major, low byte minor,
// two decimal digits each: 0x0319 is 3.19) and three-part values (major in
// bits 16-23, minor 8-15, patch 0-7). Both text forms parse back into the
// same three numbers, which is how the two kinds are compared.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "dfulib/imageheader/ImageHeaderLayout.h"
#include "dfulib/include/TVXPackageEntry.h"
#include "versions/UpgradeResult.h"

// ---- Version texts ----

// A number that is missing or not decimal in a parsed version text.
inline constexpr uint16_t kNoVersionNumber = 9999;

struct ParsedVersion {
    uint16_t major = kNoVersionNumber;
    uint16_t minor = kNoVersionNumber;
    uint16_t patch = kNoVersionNumber;
    bool operator==(const ParsedVersion &) const = default;
};

// The three numbers of a three-part value: bits 16-23, 8-15 and 0-7.
ParsedVersion ThreePartNumbers(uint32_t value);

// Reads "major.minor.patch" from at most the first 11 characters of the
// text; never fails: what cannot be read stays kNoVersionNumber.
ParsedVersion ParseVersionText(std::string_view text);

// "%.3d.%.3d.%.3d" of bits 16-23, 8-15 and 0-7 (004.007.000), or of the
// three numbers read from a text.
std::string FormatVersion3(uint32_t value);
std::string FormatVersion3(const ParsedVersion &version);

// "%.3hx.%.3hx.---" of the high and low byte (0x0319 gives 003.019.---).
std::string BcdVersionText(uint16_t value);

// The forms the window shows: "%d.%d.%d" of the three numbers (4.7.0), and
// "%x.%.2hx" of a BCD version's high and low byte (0x0319 gives 3.19).
std::string ShortVersion3(uint32_t value);
std::string ShortBcdVersion(uint16_t value);

// Reads the dotted version that follows the first occurrence of the marker
// in a product text. Three numbers: value = a<<16 | b<<8 | c, *threeNumbers
// = 1; two numbers: value = a<<8 | b, *threeNumbers = 0. Numbers have at
// most three digits and are at most 255. Returns 0, or -1 on failure.
int ParseVersionAfterMarker(const char *text, const char *marker, uint32_t *value, int *threeNumbers);

// ---- BCD versions ----

// 1 when each nibble of the value is a decimal digit, else 0.
int IsValidBcdVersion(uint16_t version);
// 1 when b is newer than a, -1 when older, 0 when equal (high byte first).
int CompareBcdVersions(uint16_t a, uint16_t b);
// 1 with *result = CompareBcdVersions(a, b) when both are valid BCD; else 0
// and *result untouched.
int CompareValidBcdVersions(uint16_t a, uint16_t b, int *result);

// ---- The terminal's identification text ----

inline constexpr std::size_t kIdentTextSize = 130;

// 1 when the second vendor's name appears, in any letter case, at positions
// 17 to 128 of the identification buffer.
int ContainsSecondVendorWord(const char (&identText)[kIdentTextSize]);

// True when a non-empty identification text holds '9' at index 10 followed
// by a blank: the terminal is the 460 model whatever type it reports.
bool IdentTextNamesModel460(const char (&identText)[kIdentTextSize]);

// The five-digit build number at indexes 68-72 of an identification text
// that starts with 'F' and carries 0xD7 at index 17. Returns 0 with *number
// written; -2 when index 17 holds another byte; -1 otherwise (the output is
// then left alone).
int ReadDeviceIdentNumber(const char *identText, uint32_t *number);

// ---- Part image header ----

// First 32-bit little-endian word of the image; 0 without an image or with
// an image shorter than the word.
uint32_t headerWord(const PackageEntry *part);

// Generation 1 headers carry three-part versions; any other generation is
// read as BCD.
inline uint32_t HeaderGeneration(uint32_t word)
{
    return tvx::imageheader::Generation(word);
}

// Little-endian 16-bit word at the offset; false when it does not lie wholly
// inside the image.
bool ImageWord16(const PackageEntry *part, std::size_t offset, uint16_t *value);

struct ImageVersions {
    std::string firmwareText;
    uint32_t firmware = 0;
    std::string loaderText;
    uint32_t loader = 0;
};

// The versions the header names. A generation-1 header with an unknown
// layout, or one whose fields lie beyond the image, gives
// UPG_BAD_FIRMWARE_FORMAT and writes nothing. identNumber may be null; it is
// written only for generation-1 headers.
UpgradeResult ReadImageVersions(const PackageEntry *part, uint32_t headerWord, ImageVersions *versions,
                                uint32_t *identNumber);
