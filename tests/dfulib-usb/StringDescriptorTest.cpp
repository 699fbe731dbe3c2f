// A terminal's strings as ASCII, whether they come from the device (UTF-16LE
// string descriptors) or from sysfs (the kernel's UTF-8): both sources must
// give the same ID number.
#include <gtest/gtest.h>

#include <vector>

#include "dfulib/usb/StringDescriptor.h"

namespace tvxdfu::usb {
namespace {

TEST(StringDescriptor, DescriptorAndSysfsTextGiveTheSameAscii)
{
    struct Case {
        const char *name;
        std::vector<uint8_t> descriptor;
        const char *utf8;
        const char *ascii;
    };
    const Case cases[] = {
        {"plain", {10, 3, 'K', 0, '4', 0, '7', 0, '0', 0}, "K470", "K470"},
        {"empty", {2, 3}, "", ""},
        {"latin",
         {8, 3, 'A', 0, 0xE9, 0x00, 'B', 0},
         "A\xC3\xA9"
         "B",
         "A?B"},
        {"euro",
         {6, 3, 0xAC, 0x20, 'x', 0},
         "\xE2\x82\xAC"
         "x",
         "?x"},
        // One character beyond the 16-bit plane: a surrogate pair, four UTF-8 bytes.
        {"astral",
         {10, 3, 'a', 0, 0x3D, 0xD8, 0x00, 0xDE, 'b', 0},
         "a\xF0\x9F\x98\x80"
         "b",
         "a?b"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::string text = "unset";
        ASSERT_TRUE(StringDescriptorText(c.descriptor.data(), c.descriptor.size(), &text));
        EXPECT_EQ(text, c.ascii);
        EXPECT_EQ(AsciiFromUtf8(c.utf8), c.ascii);
    }
}

// A device's answer is never read past what it sent nor past its own length.
TEST(StringDescriptor, MalformedDescriptorsAreRefused)
{
    const std::vector<std::vector<uint8_t>> malformed = {
        {},
        {4},
        {4, 2, 'a', 0},      // not a string descriptor
        {8, 3, 'a', 0},      // longer than what arrived
        {5, 3, 'a', 0, 'b'}, // half a character
        {1, 3},              // shorter than its header
    };
    for (const auto &descriptor : malformed) {
        std::string text;
        EXPECT_FALSE(StringDescriptorText(descriptor.data(), descriptor.size(), &text)) << descriptor.size();
    }
    // Bytes after the descriptor's own length are not part of it.
    const std::vector<uint8_t> trailing = {4, 3, 'a', 0, 'b', 0};
    std::string text;
    ASSERT_TRUE(StringDescriptorText(trailing.data(), trailing.size(), &text));
    EXPECT_EQ(text, "a");
}

} // namespace
} // namespace tvxdfu::usb
