// ppu-tool pack
#include <iostream>
#include <memory>
#include <new>

#include "dfulib/json/JsonValueOwner.h"
#include "package/CatalogShape.h"
#include "package/Crypto.h"
#include "package/PackageWriter.h"
#include "platform/PathName.h"
#include "tools/ppu-tool/CommandLine.h"
#include "tools/ppu-tool/Commands.h"

namespace {

const CommandSpec kSpec = {
    "pack",
    "Usage: ppu-tool pack --catalog CATALOG.json --key SIGNING_KEY.pem\n"
    "         [--content-key FILE] [--extra-block] --output OUT.ppu IMAGE[:ENTRY_NAME]...\n"
    "\n"
    "Writes a package: the catalog as the first entry (as given, so that broken\n"
    "catalogs can be packed on purpose), then each image as an entry named\n"
    "ENTRY_NAME or the image's file name plus \".enc\". Contents are encrypted\n"
    "with AES-256-CBC under the content key and the SHA-256 of OUT's file name;\n"
    "the file is signed with the RSA-4096 key (PKCS#1 v1.5, SHA-512).\n"
    "\n"
    "  --content-key FILE  64 hex digits; default: the key this build loads with\n"
    "  --extra-block       one more 512-byte block after contents that fill whole\n"
    "                      blocks (standard tar has none)\n",
    {{"--catalog", "--key", "--content-key", "--output"}, {"--extra-block"}},
};

// IMAGE or IMAGE:ENTRY_NAME; a colon followed by a path separator belongs to the path.
PackagePart PartOfArgument(const std::string &argument, std::string *imagePath)
{
    const size_t colon = argument.rfind(':');
    const bool named = colon != std::string::npos && colon + 1 < argument.size() &&
                       argument.find_first_of("/\\", colon) == std::string::npos;
    *imagePath = named ? argument.substr(0, colon) : argument;
    PackagePart part;
    part.entryName =
        named ? argument.substr(colon + 1) : std::string(tvx::FileNameOfPath(*imagePath)) + ".enc";
    return part;
}

bool CatalogParses(const std::string &catalog)
{
    const tvx::JsonValueOwner tree(json_parse(catalog.data(), catalog.size()));
    return tree && CatalogHasExpectedShape(*tree);
}

int Fail(const std::string &path, const std::string &reason)
{
    std::cerr << "ppu-tool pack: " << path << ": " << reason << "\n";
    return kExitRejected;
}

} // namespace

int RunPack(int argc, char **argv)
{
    CommandOptions options;
    if (int exitCode = kExitUsage; !ReadCommandLine(kSpec, argc, argv, &options, &exitCode))
        return exitCode;
    for (const char *required : {"--catalog", "--key", "--output"})
        if (!options.Has(required))
            return UsageError(kSpec, std::string(required) + " is required");
    if (options.positional.empty())
        return UsageError(kSpec, "at least one IMAGE is required");

    PackageContents contents;
    PackageSigning signing;
    const std::string catalogPath = options.Value("--catalog");
    if (const std::string failure = ReadWholeFile(catalogPath, &contents.catalog); !failure.empty())
        return Fail(catalogPath, failure);
    if (!CatalogParses(contents.catalog))
        std::cerr << "ppu-tool pack: warning: " << catalogPath
                  << ": not a valid catalog; packed as given, the package will be rejected\n";
    const std::string keyPath = options.Value("--key");
    if (const std::string failure = ReadWholeFile(keyPath, &signing.signingKeyPem); !failure.empty())
        return Fail(keyPath, failure);
    if (options.Has("--content-key")) {
        const std::string contentKeyPath = options.Value("--content-key");
        std::string hex;
        if (const std::string failure = ReadWholeFile(contentKeyPath, &hex); !failure.empty())
            return Fail(contentKeyPath, failure);
        if (!ParseContentKeyHex(hex, &signing.contentKey))
            return Fail(contentKeyPath, "does not hold 64 hex digits");
    } else {
        BuildContentKey(signing.contentKey.data());
    }
    signing.extraBlock = options.Has("--extra-block");
    for (const std::string &argument : options.positional) {
        std::string imagePath;
        PackagePart part = PartOfArgument(argument, &imagePath);
        if (const std::string failure = ReadWholeFile(imagePath, &part.image); !failure.empty())
            return Fail(imagePath, failure);
        if (part.image.empty())
            return Fail(imagePath, "is empty");
        contents.parts.push_back(std::move(part));
    }

    const std::string output = options.Value("--output");
    std::string error;
    bool written = false;
    try {
        written = WritePackage(output, contents, signing, &error);
    } catch (const std::bad_alloc &) {
        // The writer's temporary file went with the unwinding.
        error = output + ": out of memory; nothing was written";
    }
    tvx::crypto::Wipe(signing.contentKey.data(), signing.contentKey.size());
    if (!written) {
        std::cerr << "ppu-tool pack: " << error << "\n";
        return kExitRejected;
    }
    if (!error.empty())
        std::cerr << "ppu-tool pack: warning: " << error << "\n";
    return kExitSuccess;
}
