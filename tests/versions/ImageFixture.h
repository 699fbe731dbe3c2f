// Part images built byte by byte. Each image is a heap block of exactly its
// size, so that a read past its end shows under the address sanitizer.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <vector>

#include "dfulib/include/TVXPackageEntry.h"

class ImageBytes {
public:
    explicit ImageBytes(std::size_t size, uint32_t headerWord = 0) : bytes_(size)
    {
        if (size >= 4)
            Put32(0, headerWord);
    }
    ImageBytes &Put16(std::size_t offset, uint16_t value)
    {
        bytes_.at(offset) = static_cast<uint8_t>(value);
        bytes_.at(offset + 1) = static_cast<uint8_t>(value >> 8);
        return *this;
    }
    ImageBytes &Put32(std::size_t offset, uint32_t value)
    {
        Put16(offset, static_cast<uint16_t>(value));
        return Put16(offset + 2, static_cast<uint16_t>(value >> 16));
    }
    const std::vector<uint8_t> &bytes() const { return bytes_; }
    // An entry that borrows the bytes, for reading the header only.
    PackageEntry Entry()
    {
        PackageEntry entry{};
        entry.kind = EntryKindPart;
        entry.data = bytes_.empty() ? nullptr : bytes_.data();
        entry.size = static_cast<int32_t>(bytes_.size());
        return entry;
    }

private:
    std::vector<uint8_t> bytes_;
};

// Header words: generation in bits 16-23, generation-1 layout in bits 8-11,
// generation-0 layout in bits 4-7.
constexpr uint32_t Gen1Header(uint32_t layout)
{
    return 1u << 16 | layout << 8;
}

// A part's bytes are owned by the loaded package as a whole, not by its
// entry; the fixture keeps each image for the whole test program instead,
// still a heap block of exactly its size.
inline uint8_t *KeptImageBytes(const ImageBytes &image)
{
    static std::deque<std::vector<uint8_t>> kept;
    kept.emplace_back(image.bytes());
    if (kept.back().empty())
        kept.back().push_back(0);
    return kept.back().data();
}

// A part entry as the package reader makes one: malloc'd strings, released
// with FreePackageEntry (or by the package it is put into).
inline PackageEntry *NewPartEntry(const ImageBytes &image, const char *type = "Firmware")
{
    auto *entry = static_cast<PackageEntry *>(std::calloc(1, sizeof(PackageEntry)));
    std::strcpy(entry->name, "part.dfu");
    entry->kind = EntryKindPart;
    entry->size = static_cast<int32_t>(image.bytes().size());
    entry->data = KeptImageBytes(image);
    entry->info = static_cast<PartInfo *>(std::calloc(1, sizeof(PartInfo)));
    entry->info->fileName = strdup("part.dfu");
    entry->info->type = type ? strdup(type) : nullptr;
    return entry;
}
