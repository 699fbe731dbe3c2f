// Package files assembled from fuzzed pieces: entries whose plain content the
// harness encrypts as a producer does, so the reader gets past decryption and
// the fuzzer works on what lies behind it. The signature check is not part of
// this path: the reader is fed as the loader feeds it after authentication.
#pragma once

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "dfulib/suffix/DfuSuffix.h"
#include "package/Package.h"
#include "package/PackageWriter.h"
#include "tests/fuzz/FuzzSupport.h"

namespace tvx::fuzz {

// The file name every fuzzed package has; its hash is the content IV.
inline constexpr const char *kPackageName = "fuzz.ppu";

class PackageBytes {
public:
    PackageBytes()
    {
        BuildContentKey(key_.data());
        Expect(DeriveContentIv(kPackageName), "content IV");
    }

    std::vector<uint8_t> Encrypt(const std::string &plain) const
    {
        return EncryptContent(reinterpret_cast<const uint8_t *>(plain.data()), plain.size(), key_.data(),
                              contentIv);
    }

    // Appends a header for `content` and the content padded to whole blocks;
    // `header` may then be altered by the caller before it lands.
    template <typename Alter>
    void AddEntry(const std::string &name, const std::vector<uint8_t> &content, Alter alter)
    {
        uint8_t header[kEntryBlockLength] = {};
        // A name too long for its field is cut, as a careless producer might.
        FormatEntryHeader(name.substr(0, 100), content.size(), header);
        alter(header);
        bytes_.insert(bytes_.end(), header, header + kEntryBlockLength);
        bytes_.insert(bytes_.end(), content.begin(), content.end());
        PadToBlock();
    }
    void AddEntry(const std::string &name, const std::vector<uint8_t> &content)
    {
        AddEntry(name, content, [](uint8_t *) {});
    }

    void AddZeroBlocks(std::size_t count) { bytes_.resize(bytes_.size() + count * kEntryBlockLength, 0); }
    void Append(const std::vector<uint8_t> &tail) { bytes_.insert(bytes_.end(), tail.begin(), tail.end()); }
    // The tar end marker and a signature block of `signature` (zero-filled).
    void Finish(std::vector<uint8_t> signature)
    {
        AddZeroBlocks(2);
        signature.resize(kSignatureLength, 0);
        Append(signature);
    }
    const std::vector<uint8_t> &bytes() const { return bytes_; }

private:
    void PadToBlock()
    {
        bytes_.resize((bytes_.size() + kEntryBlockLength - 1) / kEntryBlockLength * kEntryBlockLength, 0);
    }

    std::array<uint8_t, kContentKeyLength> key_{};
    std::vector<uint8_t> bytes_;
};

// `payload` followed by a valid DFU suffix, as a part image ends.
inline std::string PartImage(std::string payload)
{
    uint8_t suffix[tvx::kDfuSuffixLength];
    tvx::WriteDfuSuffix(reinterpret_cast<const uint8_t *>(payload.data()), payload.size(), 0x0407, 0x0470,
                        tvx::kVornVendorId, suffix);
    return payload.append(reinterpret_cast<const char *>(suffix), sizeof suffix);
}

// The bytes a load parses once they verified: all but the last 512 bytes.
inline SignedBytes SignedPart(std::vector<uint8_t> *file)
{
    const std::size_t length = file->size() > kSignatureLength ? file->size() - kSignatureLength : 0;
    return {file->data(), static_cast<int32_t>(length)};
}

// What a record handed on by the reader must look like, whatever the file
// was: NUL-terminated names and texts, images inside the signed bytes, parts
// in installation order (pretreatment, then loaders, then firmware).
inline void CheckRecord(const PackageRecord &record, SignedBytes bytes)
{
    volatile uint8_t sink = 0;
    auto touch = [&](const PackageEntry *entry) {
        Expect(entry->name[100] == '\0', "entry name terminated");
        Expect(entry->size >= 0 && (entry->size == 0 || entry->data), "entry data");
        Expect(entry->size == 0 || (entry->data >= bytes.data && entry->size <= bytes.length &&
                                    entry->data - bytes.data <= bytes.length - entry->size),
               "entry data inside the signed bytes");
        for (int32_t n = 0; n < entry->size; ++n)
            sink = sink ^ entry->data[n];
    };
    if (record.catalogEntry)
        touch(record.catalogEntry);
    int rank = 0;
    for (const PartNode *node = record.parts; node; node = node->next) {
        const PackageEntry *entry = node->entry;
        Expect(entry && entry->kind == EntryKindPart && entry->info && entry->info->type, "part info");
        touch(entry);
        Expect(std::strcmp(entry->info->fileName, entry->name) == 0, "listed file name is the entry's");
        const std::string type = entry->info->type;
        const int partRank = type == "Pretreatment" ? 0
                             : type == "Bootloader" ? 1
                             : type == "Firmware"   ? 2
                                                    : -1;
        Expect(partRank >= rank, "installation order");
        rank = partRank;
    }
}

} // namespace tvx::fuzz
