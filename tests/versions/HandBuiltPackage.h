// A loaded package built by hand: catalog texts, version lists and parts with
// small images, allocated as the package reader allocates them so that
// FreePackage (or the dialog that takes the record) releases everything.
#pragma once

#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "package/Package.h"
#include "tests/versions/ImageFixture.h"

class PackageBuilder {
public:
    PackageBuilder() : record_(NewPackageRecord())
    {
        record_->catalog = static_cast<CatalogInfo *>(std::calloc(1, sizeof(CatalogInfo)));
    }
    ~PackageBuilder() { FreePackage(record_); }
    PackageBuilder(const PackageBuilder &) = delete;
    PackageBuilder &operator=(const PackageBuilder &) = delete;

    PackageBuilder &CatalogVersion(const char *text)
    {
        Replace(&record_->catalog->catalogVersion, text);
        return *this;
    }
    PackageBuilder &TerminalType(const char *text)
    {
        Replace(&record_->catalog->terminalType, text);
        return *this;
    }
    PackageBuilder &LoaderVersions(std::initializer_list<const char *> texts)
    {
        AddTexts(&record_->catalog->bootloaderVersions, texts);
        return *this;
    }
    PackageBuilder &FirmwareVersions(std::initializer_list<const char *> texts)
    {
        AddTexts(&record_->catalog->firmwareVersions, texts);
        return *this;
    }
    // Appends a part in installation order; the cursor stays on the first.
    PackageBuilder &Part(const ImageBytes &image, const char *type)
    {
        auto *node = static_cast<PartNode *>(std::calloc(1, sizeof(PartNode)));
        node->entry = NewPartEntry(image, type);
        PartNode **tail = &record_->parts;
        while (*tail)
            tail = &(*tail)->next;
        *tail = node;
        record_->cursor = record_->parts;
        return *this;
    }

    PackageRecord *record() const { return record_; }
    PartNode *node(int index) const
    {
        PartNode *node = record_->parts;
        while (node && index-- > 0)
            node = node->next;
        return node;
    }
    // Hands the record to its new owner.
    PackageRecord *Release()
    {
        PackageRecord *record = record_;
        record_ = nullptr;
        return record;
    }

private:
    static void Replace(char **field, const char *text)
    {
        std::free(*field);
        *field = text ? strdup(text) : nullptr;
    }
    static void AddTexts(TextNode **list, std::initializer_list<const char *> texts)
    {
        for (const char *text : texts) {
            auto *node = static_cast<TextNode *>(std::calloc(1, sizeof(TextNode)));
            node->text = strdup(text);
            node->next = *list;
            *list = node;
        }
    }

    PackageRecord *record_;
};

// Images of the sizes their headers need, with the versions in place.
inline ImageBytes Gen1Image(uint32_t firmware, uint32_t loader, uint32_t ident = 0, uint32_t layout = 1)
{
    const bool first = layout == 1;
    ImageBytes image(first ? 392 : 648, Gen1Header(layout));
    if (layout == 1 || layout == 2)
        image.Put32(first ? 352 : 608, firmware)
            .Put32(first ? 348 : 604, loader)
            .Put32(first ? 388 : 644, ident);
    return image;
}

// A BCD header of layout 0x00 with room for the 16-byte suffix.
inline ImageBytes BcdImage(uint16_t firmware, uint16_t loader)
{
    ImageBytes image(256, 0);
    image.Put16(224, firmware).Put16(226, loader);
    return image;
}
