// ppu-tool inspect and ppu-tool verify: both load the file with the wizard's
// own reader.
#include <iomanip>
#include <iostream>
#include <memory>
#include <sstream>

#include <openssl/evp.h>

#include "CommandLine.h"
#include "Commands.h"
#include "JsonText.h"
#include "Package.h"

namespace {

const CommandSpec kInspectSpec = {
    "inspect",
    "usage: ppu-tool inspect [--json] FILE.ppu\n"
    "\n"
    "Loads the package as the wizard does and shows whether it verified (with\n"
    "the reason when not), the catalog values, and the parts in installation\n"
    "order with name, file name, type, subject, size and SHA-256 of the\n"
    "decrypted image. --json prints one JSON object. Exit 0 when verified,\n"
    "1 when rejected.\n",
    {},
    {"--json"},
};

const CommandSpec kVerifySpec = {
    "verify",
    "usage: ppu-tool verify FILE.ppu\n"
    "\n"
    "Exit 0 when the wizard would accept the package; 1 with the reason when not.\n",
    {},
    {},
};

struct RecordFree {
    void operator()(PackageRecord *record) const { FreePackage(record); }
};
using Record = std::unique_ptr<PackageRecord, RecordFree>;

std::string Sha256Hex(const PackageEntry &entry)
{
    uint8_t digest[32] = {};
    EVP_Digest(entry.data, static_cast<size_t>(entry.size), digest, nullptr, EVP_sha256(), nullptr);
    std::ostringstream hex;
    for (const uint8_t byte : digest)
        hex << std::hex << std::setw(2) << std::setfill('0') << static_cast<int>(byte);
    return hex.str();
}

const char *InfoText(const PackageEntry &entry, char *PartInfo::*field)
{
    return entry.info ? entry.info->*field : nullptr;
}

std::string JsonList(const TextNode *node)
{
    std::string out = "[";
    for (; node; node = node->next)
        out += JsonString(node->text) + (node->next ? ", " : "");
    return out + "]";
}

void PrintJson(const PackageRecord &record, LoadFailure failure)
{
    std::cout << "{\"verified\": " << (failure == LoadFailure::None ? "true" : "false");
    if (failure != LoadFailure::None)
        std::cout << ", \"reason\": " << JsonString(DescribeLoadFailure(failure));
    std::cout << ", \"catalog\": ";
    if (const CatalogInfo *catalog = record.catalog) {
        std::cout << "{\"catalogVersion\": " << JsonString(catalog->catalogVersion)
                  << ", \"ppuHeaderVersion\": " << JsonString(catalog->ppuHeaderVersion)
                  << ", \"dfuFilesHavePpuHeader\": " << (catalog->dfuFilesHavePpuHeader ? "true" : "false")
                  << ", \"company\": " << JsonString(catalog->company)
                  << ", \"subject\": " << JsonString(catalog->subject)
                  << ", \"terminalType\": " << JsonString(catalog->terminalType)
                  << ", \"bootloaderVersions\": " << JsonList(catalog->bootloaderVersions)
                  << ", \"firmwareVersions\": " << JsonList(catalog->firmwareVersions)
                  << ", \"alternatePretreatmentVersions\": " << JsonList(catalog->alternatePretreatmentVersions)
                  << "}";
    } else {
        std::cout << "null";
    }
    std::cout << ", \"parts\": [";
    for (const PartNode *node = record.parts; node; node = node->next) {
        const PackageEntry &entry = *node->entry;
        std::cout << "{\"name\": " << JsonString(entry.name)
                  << ", \"fileName\": " << JsonString(InfoText(entry, &PartInfo::fileName))
                  << ", \"type\": " << JsonString(InfoText(entry, &PartInfo::type))
                  << ", \"subject\": " << JsonString(InfoText(entry, &PartInfo::subject))
                  << ", \"size\": " << entry.size << ", \"sha256\": \"" << Sha256Hex(entry) << "\"}"
                  << (node->next ? ", " : "");
    }
    std::cout << "]}\n";
}

const char *Shown(const char *text) { return text ? text : "(none)"; }

std::string TextList(const TextNode *node)
{
    std::string out;
    for (; node; node = node->next)
        out += std::string(node->text) + (node->next ? ", " : "");
    return out.empty() ? "(none)" : out;
}

void PrintText(const std::string &path, const PackageRecord &record, LoadFailure failure)
{
    if (failure == LoadFailure::None)
        std::cout << path << ": verified\n";
    else
        std::cout << path << ": rejected: " << DescribeLoadFailure(failure) << "\n";
    if (const CatalogInfo *catalog = record.catalog) {
        std::cout << "Catalog version:            " << Shown(catalog->catalogVersion) << "\n"
                  << "PPU header version:         " << Shown(catalog->ppuHeaderVersion) << "\n"
                  << "DFU files have PPU header:  " << (catalog->dfuFilesHavePpuHeader ? "yes" : "no") << "\n"
                  << "Company:                    " << Shown(catalog->company) << "\n"
                  << "Subject:                    " << Shown(catalog->subject) << "\n"
                  << "Terminal type:              " << Shown(catalog->terminalType) << "\n"
                  << "Bootloader versions:        " << TextList(catalog->bootloaderVersions) << "\n"
                  << "Firmware versions:          " << TextList(catalog->firmwareVersions) << "\n"
                  << "Alternate pretreatment for: " << TextList(catalog->alternatePretreatmentVersions) << "\n";
    }
    int number = 0;
    for (const PartNode *node = record.parts; node; node = node->next) {
        const PackageEntry &entry = *node->entry;
        std::cout << "Part " << ++number << ": " << entry.name << "\n"
                  << "  file name: " << Shown(InfoText(entry, &PartInfo::fileName)) << "\n"
                  << "  type:      " << Shown(InfoText(entry, &PartInfo::type)) << "\n"
                  << "  subject:   " << Shown(InfoText(entry, &PartInfo::subject)) << "\n"
                  << "  size:      " << entry.size << "\n"
                  << "  sha256:    " << Sha256Hex(entry) << "\n";
    }
}

// Parses the single FILE argument; an exit code when the command ends here.
bool ReadArguments(const CommandSpec &spec, int argc, char **argv, CommandOptions *options, int *exitCode)
{
    std::string error;
    if (!ParseCommandLine(spec, argc, argv, options, &error)) {
        *exitCode = UsageError(spec, error);
        return false;
    }
    if (options->Has("--help")) {
        std::cout << spec.usage;
        *exitCode = kExitSuccess;
        return false;
    }
    if (options->positional.size() != 1) {
        *exitCode = UsageError(spec, "exactly one FILE.ppu is required");
        return false;
    }
    return true;
}

} // namespace

int RunInspect(int argc, char **argv)
{
    CommandOptions options;
    int exitCode = kExitUsage;
    if (!ReadArguments(kInspectSpec, argc, argv, &options, &exitCode))
        return exitCode;
    const std::string &path = options.positional.front();
    const Record record(NewPackageRecord());
    const LoadFailure failure = record ? LoadPackageChecked(path.c_str(), record.get()) : LoadFailure::OutOfMemory;
    if (!record) {
        std::cerr << "ppu-tool inspect: " << path << ": " << DescribeLoadFailure(failure) << "\n";
        return kExitRejected;
    }
    if (options.Has("--json"))
        PrintJson(*record, failure);
    else
        PrintText(path, *record, failure);
    return failure == LoadFailure::None ? kExitSuccess : kExitRejected;
}

int RunVerify(int argc, char **argv)
{
    CommandOptions options;
    int exitCode = kExitUsage;
    if (!ReadArguments(kVerifySpec, argc, argv, &options, &exitCode))
        return exitCode;
    const std::string &path = options.positional.front();
    const Record record(NewPackageRecord());
    const LoadFailure failure = record ? LoadPackageChecked(path.c_str(), record.get()) : LoadFailure::OutOfMemory;
    if (failure != LoadFailure::None) {
        std::cerr << "ppu-tool verify: " << path << ": rejected: " << DescribeLoadFailure(failure) << "\n";
        return kExitRejected;
    }
    std::cout << path << ": verified\n";
    return kExitSuccess;
}
