// ppu-tool inspect and ppu-tool verify: both load the file with the wizard's
// own reader.
#include <iomanip>
#include <iostream>
#include <memory>
#include <sstream>

#include "dfulib/text/PrintableText.h"
#include "package/Crypto.h"
#include "package/Package.h"
#include "tools/cli/JsonOutput.h"
#include "tools/ppu-tool/CommandLine.h"
#include "tools/ppu-tool/Commands.h"
#include "versions/TextFormat.h"
#include "versions/Versions.h"

namespace {

using tvx::cli::Json;
using tvx::cli::TextOrNull;

const CommandSpec kInspectSpec = {
    "inspect",
    "Usage: ppu-tool inspect [--json] FILE.ppu\n"
    "\n"
    "Loads the package as 'ppu-tool verify' does and shows whether it verified\n"
    "(with the reason when not), the catalog values, and the parts in\n"
    "installation order.\n"
    "\n"
    "What the package accepts and what it installs are apart:\n"
    "  - the catalog's terminal type and its bootloader and firmware version\n"
    "    lists name the terminals it may be installed on (the versions a\n"
    "    terminal must run before the upgrade);\n"
    "  - each part's 'installs' line gives the firmware and loader versions\n"
    "    that part writes, read from the header of its image (M.m for BCD\n"
    "    headers, M.m.p and the identification number for three-part ones).\n"
    "Each part also shows its name, file name, type, subject, size and the\n"
    "SHA-256 of its decrypted image. Control characters and bytes that are not\n"
    "UTF-8 in the package's texts are shown as \\xNN, so that none reaches the\n"
    "terminal.\n"
    "\n"
    "  --json   print one JSON object on one line instead; each part has an\n"
    "           \"installs\" object {\"firmware\", \"loader\"[, \"ident\"]}, null\n"
    "           when its header cannot be read. The output is UTF-8; bytes of\n"
    "           the package that are not UTF-8 (a catalog written in Latin-1)\n"
    "           are shown as U+FFFD, control characters as \\u escapes.\n"
    "\n"
    "Exit 0 when verified, 1 when rejected, 2 on a usage error.\n",
    {{}, {"--json"}},
};

const CommandSpec kVerifySpec = {
    "verify",
    "Usage: ppu-tool verify FILE.ppu\n"
    "\n"
    "Checks what the wizard's package loader checks when the package is chosen,\n"
    "and nothing else:\n"
    "  - FILE is a regular file of at most 256 MiB whose name gives the\n"
    "    decryption IV;\n"
    "  - its last 512 bytes are an RSA signature (PKCS#1 v1.5, SHA-512) over the\n"
    "    rest of the file that this build's verify key accepts;\n"
    "  - every entry reads and decrypts (AES-256-CBC under the content key and\n"
    "    the file's name, so a renamed package fails here);\n"
    "  - the catalog parses and has the expected shape;\n"
    "  - every part entry is listed in the catalog's file list, once, and one of\n"
    "    them is of type Firmware;\n"
    "  - every part to be written ends in a DFU suffix of vendor 0x0D7B or 0xFFFF\n"
    "    whose CRC matches, and holds an image in front of it;\n"
    "  - the file did not change while it was read.\n"
    "\n"
    "It does not check whether the package fits a terminal: the wizard's model\n"
    "check (terminal type), its catalog-version and image-header check, and its\n"
    "check of the terminal's loader and firmware versions against the catalog's\n"
    "lists run only against a selected terminal ('ppu-tool inspect' shows the\n"
    "values they use).\n"
    "\n"
    "Exit 0 with \"FILE: verified\" on standard output when the package passes;\n"
    "1 with \"FILE: rejected: REASON\" on standard error when not; 2 on a usage\n"
    "error.\n",
    {{}, {}},
};

struct RecordFree {
    void operator()(PackageRecord *record) const { FreePackage(record); }
};
using Record = std::unique_ptr<PackageRecord, RecordFree>;

std::string Sha256Hex(const PackageEntry &entry)
{
    uint8_t digest[tvx::crypto::kSha256Length] = {};
    tvx::crypto::Digest(tvx::crypto::HashKind::Sha256, entry.data, static_cast<size_t>(entry.size), digest);
    std::ostringstream hex;
    for (const uint8_t byte : digest)
        hex << std::hex << std::setw(2) << std::setfill('0') << static_cast<int>(byte);
    return hex.str();
}

const char *InfoText(const PackageEntry &entry, char *PartInfo::*field)
{
    return entry.info ? entry.info->*field : nullptr;
}

// The versions a part writes, from its image's header, in the forms a
// technician reads them on the terminal: 3.19 (BCD) or 4.7.0 (three-part).
struct InstalledVersions {
    bool readable = false;
    bool threePart = false;
    std::string firmware;
    std::string loader;
    uint32_t ident = 0;
};

std::string ReadableVersion(uint32_t value, bool threePart)
{
    return threePart ? Format("%u.%u.%u", (value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF)
                     : Format("%x.%.2x", (value >> 8) & 0xFF, value & 0xFF);
}

InstalledVersions ReadInstalledVersions(const PackageEntry &entry)
{
    InstalledVersions installed;
    const uint32_t word = headerWord(&entry);
    ImageVersions versions;
    if (ReadImageVersions(&entry, word, &versions, &installed.ident) != 0)
        return installed;
    installed.readable = true;
    installed.threePart = HeaderGeneration(word) == 1;
    installed.firmware = ReadableVersion(versions.firmware, installed.threePart);
    installed.loader = ReadableVersion(versions.loader, installed.threePart);
    return installed;
}

Json JsonList(const TextNode *node)
{
    Json list = Json::array();
    for (; node; node = node->next)
        list.push_back(TextOrNull(node->text));
    return list;
}

Json JsonInstalls(const InstalledVersions &installed)
{
    if (!installed.readable)
        return nullptr;
    Json installs = {{"firmware", installed.firmware}, {"loader", installed.loader}};
    if (installed.threePart)
        installs["ident"] = installed.ident;
    return installs;
}

void PrintJson(const PackageRecord &record, LoadFailure failure)
{
    Json root = {{"verified", failure == LoadFailure::None}};
    if (failure != LoadFailure::None)
        root["reason"] = DescribeLoadFailure(failure);
    Json catalog = nullptr;
    if (const CatalogInfo *info = record.catalog) {
        catalog = {
            {"catalogVersion", TextOrNull(info->catalogVersion)},
            {"ppuHeaderVersion", TextOrNull(info->ppuHeaderVersion)},
            {"dfuFilesHavePpuHeader", info->dfuFilesHavePpuHeader != 0},
            {"company", TextOrNull(info->company)},
            {"subject", TextOrNull(info->subject)},
            {"terminalType", TextOrNull(info->terminalType)},
            {"bootloaderVersions", JsonList(info->bootloaderVersions)},
            {"firmwareVersions", JsonList(info->firmwareVersions)},
            {"alternatePretreatmentVersions", JsonList(info->alternatePretreatmentVersions)},
        };
    }
    root["catalog"] = catalog;
    Json parts = Json::array();
    for (const PartNode *node = record.parts; node; node = node->next) {
        const PackageEntry &entry = *node->entry;
        parts.push_back({
            {"name", TextOrNull(entry.name)},
            {"fileName", TextOrNull(InfoText(entry, &PartInfo::fileName))},
            {"type", TextOrNull(InfoText(entry, &PartInfo::type))},
            {"subject", TextOrNull(InfoText(entry, &PartInfo::subject))},
            {"size", entry.size},
            {"sha256", Sha256Hex(entry)},
            {"installs", JsonInstalls(ReadInstalledVersions(entry))},
        });
    }
    root["parts"] = parts;
    tvx::cli::WriteJsonLine(std::cout, root);
}

// Text of the package as it may go to a terminal.
std::string Shown(const char *text)
{
    return text ? tvx::PrintableText(text) : "(none)";
}

std::string TextList(const TextNode *node)
{
    std::string out;
    for (; node; node = node->next)
        out += Shown(node->text) + (node->next ? ", " : "");
    return out.empty() ? "(none)" : out;
}

std::string InstallsText(const InstalledVersions &installed)
{
    if (!installed.readable)
        return "(the image header cannot be read)";
    std::string text = "firmware " + installed.firmware + ", loader " + installed.loader;
    if (installed.threePart)
        text += ", ident " + std::to_string(installed.ident);
    return text;
}

void PrintText(const std::string &path, const PackageRecord &record, LoadFailure failure)
{
    const std::string shownPath = tvx::PrintableText(path);
    if (failure == LoadFailure::None)
        std::cout << shownPath << ": verified\n";
    else
        std::cout << shownPath << ": rejected: " << DescribeLoadFailure(failure) << "\n";
    if (const CatalogInfo *catalog = record.catalog) {
        std::cout << "Catalog version:            " << Shown(catalog->catalogVersion) << "\n"
                  << "PPU header version:         " << Shown(catalog->ppuHeaderVersion) << "\n"
                  << "DFU files have PPU header:  " << (catalog->dfuFilesHavePpuHeader ? "yes" : "no") << "\n"
                  << "Company:                    " << Shown(catalog->company) << "\n"
                  << "Subject:                    " << Shown(catalog->subject) << "\n"
                  << "Accepts, on a terminal that runs:\n"
                  << "  terminal type:            " << Shown(catalog->terminalType) << "\n"
                  << "  bootloader versions:      " << TextList(catalog->bootloaderVersions) << "\n"
                  << "  firmware versions:        " << TextList(catalog->firmwareVersions) << "\n"
                  << "Alternate pretreatment for: " << TextList(catalog->alternatePretreatmentVersions)
                  << "\n";
    }
    int number = 0;
    for (const PartNode *node = record.parts; node; node = node->next) {
        const PackageEntry &entry = *node->entry;
        std::cout << "Part " << ++number << ": " << Shown(entry.name) << "\n"
                  << "  file name: " << Shown(InfoText(entry, &PartInfo::fileName)) << "\n"
                  << "  type:      " << Shown(InfoText(entry, &PartInfo::type)) << "\n"
                  << "  subject:   " << Shown(InfoText(entry, &PartInfo::subject)) << "\n"
                  << "  size:      " << entry.size << "\n"
                  << "  sha256:    " << Sha256Hex(entry) << "\n"
                  << "  installs:  " << InstallsText(ReadInstalledVersions(entry)) << "\n";
    }
}

// Parses the single FILE argument; an exit code when the command ends here.
bool ReadArguments(const CommandSpec &spec, int argc, char **argv, CommandOptions *options, int *exitCode)
{
    if (!ReadCommandLine(spec, argc, argv, options, exitCode))
        return false;
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
    const LoadFailure failure =
        record ? LoadPackageChecked(path.c_str(), record.get()) : LoadFailure::OutOfMemory;
    if (!record) {
        std::cerr << "ppu-tool inspect: " << tvx::PrintableText(path) << ": " << DescribeLoadFailure(failure)
                  << "\n";
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
    const LoadFailure failure =
        record ? LoadPackageChecked(path.c_str(), record.get()) : LoadFailure::OutOfMemory;
    if (failure != LoadFailure::None) {
        std::cerr << "ppu-tool verify: " << tvx::PrintableText(path)
                  << ": rejected: " << DescribeLoadFailure(failure) << "\n";
        return kExitRejected;
    }
    std::cout << tvx::PrintableText(path) << ": verified\n";
    return kExitSuccess;
}
