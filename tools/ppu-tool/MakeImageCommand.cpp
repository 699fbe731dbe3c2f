// ppu-tool make-image
#include <iostream>
#include <sstream>

#include "dfulib/atomicfile/AtomicFile.h"
#include "tools/ppu-tool/CommandLine.h"
#include "tools/ppu-tool/Commands.h"
#include "tools/ppu-tool/PartImageMaker.h"

namespace {

const CommandSpec kSpec = {
    "make-image",
    "Usage: ppu-tool make-image --output FILE [--generation 0|1] [--layout N]\n"
    "         [--firmware VER] [--loader VER] [--ident N] [--header-kind 0x00|0x10]\n"
    "         [--product-id 0xNNNN] [--hardware CODES] [--size BYTES]\n"
    "\n"
    "Writes a part image whose header carries the given versions, filled to\n"
    "--size bytes (default 1024) and ending with a 16-byte DFU file suffix\n"
    "(bcdDevice from the firmware version, idProduct, idVendor 0x0D7B, CRC-32).\n"
    "\n"
    "  --generation 0   BCD versions, VER as M.m (e.g. 3.19) or 0xMMmm (default)\n"
    "  --generation 1   three-part versions, VER as M.m.p (e.g. 4.7.0) or 0x00MMmmpp\n"
    "  --layout N       generation 1 header layout: 1 (default) or 2\n"
    "  --header-kind K  generation 0: high nibble of the first byte; 0x00 (default)\n"
    "                   puts the versions at 224/226, other values at 352/354\n"
    "  --ident N        generation 1: identification number\n"
    "  --product-id P   USB product id in the suffix (default 0x1200)\n"
    "  --hardware CODES generation 0: up to 16 hardware-variant codes after the\n"
    "                   loader version, comma-separated (e.g. 3,4,6,7)\n",
    {{"--output", "--generation", "--layout", "--firmware", "--loader", "--ident", "--header-kind",
      "--product-id", "--hardware", "--size"},
     {}},
};

// "3,4,6,7": each code 1 to 0xFFFF (a zero would end the list early).
bool ParseHardwareCodes(const std::string &text, std::vector<uint16_t> *codes)
{
    std::istringstream in(text);
    std::string piece;
    unsigned long long number = 0;
    while (std::getline(in, piece, ',')) {
        if (!ParseNumber(piece, 0xFFFF, &number) || number == 0)
            return false;
        codes->push_back(static_cast<uint16_t>(number));
    }
    return !codes->empty() && codes->size() <= kMaxHardwareCodes && text.back() != ',';
}

// Reads the options into `spec`; an error message when one is not usable.
std::string ReadSpec(const CommandOptions &options, PartImageSpec *spec)
{
    unsigned long long number = 0;
    const std::string generation = options.Value("--generation", "0");
    if (generation != "0" && generation != "1")
        return "--generation must be 0 or 1";
    spec->generation = generation == "1" ? 1 : 0;
    const bool threePart = spec->generation == 1;

    if (options.Has("--layout")) {
        if (!threePart)
            return "--layout applies to generation 1; use --header-kind for generation 0";
        if (!ParseNumber(options.Value("--layout"), 15, &number))
            return "--layout must be a number from 0 to 15";
        spec->layout = static_cast<int>(number);
    }
    if (options.Has("--header-kind")) {
        if (threePart)
            return "--header-kind applies to generation 0";
        if (!ParseNumber(options.Value("--header-kind"), 0xF0, &number) || (number & 0x0F) != 0)
            return "--header-kind must be one of 0x00, 0x10, ... 0xF0";
        spec->headerKind = static_cast<uint8_t>(number);
    }
    if (options.Has("--ident")) {
        if (!threePart)
            return "--ident applies to generation 1";
        if (!ParseNumber(options.Value("--ident"), 0xFFFFFFFF, &number))
            return "--ident must be a 32-bit number";
        spec->ident = static_cast<uint32_t>(number);
    }
    const auto parseVersion = threePart ? ParseThreePartVersion : ParseBcdVersion;
    const char *defaultVersion = threePart ? "1.0.0" : "1.0";
    if (!parseVersion(options.Value("--firmware", defaultVersion), &spec->firmware))
        return threePart ? "--firmware must be M.m.p or a 0x number" : "--firmware must be M.m or 0xMMmm";
    if (!parseVersion(options.Value("--loader", defaultVersion), &spec->loader))
        return threePart ? "--loader must be M.m.p or a 0x number" : "--loader must be M.m or 0xMMmm";
    if (options.Has("--product-id")) {
        if (!ParseNumber(options.Value("--product-id"), 0xFFFF, &number))
            return "--product-id must be a 16-bit number";
        spec->productId = static_cast<uint16_t>(number);
    }
    if (options.Has("--hardware")) {
        if (threePart)
            return "--hardware applies to generation 0";
        if (!ParseHardwareCodes(options.Value("--hardware"), &spec->hardware))
            return "--hardware must be 1 to 16 comma-separated codes from 1 to 0xFFFF";
    }
    if (options.Has("--size")) {
        if (!ParseNumber(options.Value("--size"), 1ull << 31, &number))
            return "--size must be a byte count up to 2 GiB";
        spec->size = static_cast<size_t>(number);
    }
    if (spec->size < MinimumPartImageSize(*spec))
        return "--size must be at least " + std::to_string(MinimumPartImageSize(*spec)) + " for this header";
    return "";
}

} // namespace

int RunMakeImage(int argc, char **argv)
{
    CommandOptions options;
    if (int exitCode = kExitUsage; !ReadCommandLine(kSpec, argc, argv, &options, &exitCode))
        return exitCode;
    if (!options.positional.empty())
        return UsageError(kSpec, "unexpected argument " + options.positional.front());
    if (!options.Has("--output"))
        return UsageError(kSpec, "--output is required");
    PartImageSpec spec;
    const std::string error = ReadSpec(options, &spec);
    if (!error.empty())
        return UsageError(kSpec, error);

    const std::string output = options.Value("--output");
    const std::vector<uint8_t> image = BuildPartImage(spec);
    tvx::AtomicFile file(output);
    if (!file.Open() || !file.Write(image.data(), image.size()) || !file.Commit()) {
        std::cerr << "ppu-tool make-image: " << output << " " << file.Problem() << "\n";
        return kExitRejected;
    }
    if (!file.Warning().empty())
        std::cerr << "ppu-tool make-image: warning: " << output << " " << file.Warning() << "\n";
    return kExitSuccess;
}
