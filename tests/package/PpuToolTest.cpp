// ppu-tool: part images, and the command line from pack to inspect.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>

#include <json.h>

#include "dfulib/json/JsonValueOwner.h"
#include "dfulib/suffix/DfuSuffix.h"
#include "package/Crypto.h"
#include "tests/support/PackageFixture.h"
#include "tests/support/ProgramRun.h"
#include "tools/ppu-tool/PartImageMaker.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
constexpr bool kAddressSanitizer = __has_feature(address_sanitizer);
#else
constexpr bool kAddressSanitizer = false;
#endif

uint32_t WordAt(const std::vector<uint8_t> &image, size_t offset, size_t width)
{
    uint32_t value = 0;
    for (size_t i = 0; i < width; ++i)
        value |= static_cast<uint32_t>(image[offset + i]) << (8 * i);
    return value;
}

std::string Sha256Hex(const std::vector<uint8_t> &bytes)
{
    uint8_t digest[tvx::crypto::kSha256Length];
    tvx::crypto::Digest(tvx::crypto::HashKind::Sha256, bytes.data(), bytes.size(), digest);
    return HexOf(digest, sizeof digest);
}

std::string Text(const json_value &value)
{
    return value.type == json_string ? value.u.string.ptr : value.type == json_null ? "null" : "?";
}

} // namespace

TEST(PartImage, VersionsSitAtTheHeaderOffsetsOfEachKind)
{
    struct Case {
        PartImageSpec spec;
        uint32_t headerWord;
        size_t firmwareAt, loaderAt, identAt, width;
    } cases[] = {
        {{0, 1, 0x00, 0x0319, 0x0205, 0, 0x1234, 1024}, 0x00, 224, 226, 0, 2},
        {{0, 1, 0x10, 0x0319, 0x0205, 0, 0x1234, 1024}, 0x10, 352, 354, 0, 2},
        {{1, 1, 0, 0x040700, 0x020100, 12345, 0x1234, 1024}, 0x10100, 352, 348, 388, 4},
        {{1, 2, 0, 0x040700, 0x020100, 12345, 0x1234, 1024}, 0x10200, 608, 604, 644, 4},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.firmwareAt);
        const std::vector<uint8_t> image = BuildPartImage(c.spec);
        ASSERT_EQ(image.size(), 1024u);
        EXPECT_EQ(WordAt(image, 0, 4), c.headerWord);
        EXPECT_EQ(WordAt(image, c.firmwareAt, c.width), c.spec.firmware);
        EXPECT_EQ(WordAt(image, c.loaderAt, c.width), c.spec.loader);
        if (c.identAt) {
            EXPECT_EQ(WordAt(image, c.identAt, 4), 12345u);
        }

        tvx::DfuSuffix suffix;
        ASSERT_TRUE(tvx::ReadDfuSuffix(image.data(), image.size(), &suffix));
        EXPECT_TRUE(tvx::DfuSuffixCrcMatches(image.data(), image.size()));
        EXPECT_EQ(suffix.bcdDevice, c.spec.generation == 0 ? 0x0319 : 0x0407);
        EXPECT_EQ(suffix.idProduct, 0x1234);
        EXPECT_EQ(suffix.idVendor, 0x0D7B);
        EXPECT_EQ(suffix.bcdDFU, 0x0110);
    }
}

TEST(PartImage, VersionTextsParseIntoTheirNumericForms)
{
    uint32_t version = 0;
    EXPECT_TRUE(ParseBcdVersion("3.19", &version));
    EXPECT_EQ(version, 0x0319u);
    EXPECT_TRUE(ParseBcdVersion("0x0402", &version));
    EXPECT_EQ(version, 0x0402u);
    EXPECT_TRUE(ParseThreePartVersion("4.7.0", &version));
    EXPECT_EQ(version, 0x040700u);
    for (const char *bad : {"3.100", "3", "3.1.", "3..1", "a.b", "", "-1.2"})
        EXPECT_FALSE(ParseBcdVersion(bad, &version)) << bad;
    for (const char *bad : {"4.7", "4.7.256", "4.7.0.1", "4.7.x"})
        EXPECT_FALSE(ParseThreePartVersion(bad, &version)) << bad;
}

class PpuToolTest : public PackageTest {
protected:
    // Standard output and error together. `shell` runs before the tool in
    // the same shell, to set limits for it.
    ProgramRun RunTool(const std::string &arguments, const std::string &shell = "") const
    {
        return runs_.Run(shell + PPU_TOOL + " " + arguments + " 2>&1");
    }

private:
    // Out of the test's folder, whose files the tests count.
    ScratchFolder runs_;
};

TEST_F(PpuToolTest, UsageErrorsAndHelp)
{
    for (const char *command : {"make-image", "pack", "inspect", "verify"}) {
        const ProgramRun help = RunTool(std::string(command) + " --help");
        EXPECT_EQ(help.exitCode, 0) << command;
        EXPECT_NE(help.out.find(std::string("Usage: ppu-tool ") + command), std::string::npos);
    }
    // Every wrong argument is a usage error: the message, then the usage of
    // the command (or of the tool when no command was recognised).
    WriteBytes(PathOf("a.ppu"), TestImage(16, 1));
    const std::string out = "make-image --output " + PathOf("x.bin");
    const std::string pack = "pack --catalog c.json --key k.pem --output p.ppu";
    const std::pair<std::string, std::string> cases[] = {
        // no command, or an unknown one
        {"", "no command given"},
        {"frobnicate", "unknown command frobnicate"},
        {"--verbose", "unknown option --verbose"},
        // missing options and values
        {"make-image", "--output is required"},
        {"make-image --output", "--output needs a value"},
        {out + " --size", "--size needs a value"},
        {out + " --firmware", "--firmware needs a value"},
        {"pack --key k.pem --output p.ppu fw.bin", "--catalog is required"},
        {"pack --catalog c.json --output p.ppu fw.bin", "--key is required"},
        {"pack --catalog c.json --key k.pem fw.bin", "--output is required"},
        {pack + " --content-key", "--content-key needs a value"},
        // unknown options and stray arguments
        {out + " --bogus", "unknown option --bogus"},
        {out + " -x", "unknown option -x"},
        {out + " extra", "unexpected argument extra"},
        {pack + " --json fw.bin", "unknown option --json"},
        {"inspect --extra-block " + PathOf("a.ppu"), "unknown option --extra-block"},
        {"verify --json " + PathOf("a.ppu"), "unknown option --json"},
        // numbers and versions out of their range or form
        {out + " --generation 2", "--generation must be 0 or 1"},
        {out + " --layout 2", "--layout applies to generation 1"},
        {out + " --generation 1 --layout 16", "--layout must be a number from 0 to 15"},
        {out + " --generation 1 --layout x", "--layout must be a number"},
        {out + " --header-kind 0x11", "--header-kind must be one of"},
        {out + " --generation 1 --header-kind 0x10", "--header-kind applies to generation 0"},
        {out + " --generation 1 --ident -1", "--ident must be a 32-bit number"},
        {out + " --generation 1 --ident 4294967296", "--ident must be a 32-bit number"},
        {out + " --ident 5", "--ident applies to generation 1"},
        {out + " --firmware 3.100", "--firmware must be M.m"},
        {out + " --generation 1 --loader 4.7", "--loader must be M.m.p"},
        {out + " --product-id 0x10000", "--product-id must be a 16-bit number"},
        {out + " --hardware 1,,2", "--hardware must be"},
        {out + " --hardware 0", "--hardware must be"},
        {out + " --hardware 1,2,", "--hardware must be"},
        {out + " --size 100", "--size must be at least"},
        {out + " --size 0x", "--size must be a byte count"},
        {out + " --size 99999999999999999999", "--size must be a byte count"},
        {out + " --size 2147483649", "--size must be a byte count"},
        {out + " --size ' 4096'", "--size must be a byte count"},
        // missing or surplus files
        {pack, "at least one IMAGE is required"},
        {"verify", "exactly one FILE.ppu is required"},
        {"inspect --json", "exactly one FILE.ppu is required"},
        {"inspect a.ppu b.ppu", "exactly one FILE.ppu is required"},
    };
    for (const auto &[arguments, message] : cases) {
        const ProgramRun run = RunTool(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments << "\n" << run.out;
        EXPECT_NE(run.out.find(message), std::string::npos) << arguments << "\n" << run.out;
        EXPECT_NE(run.out.find("Usage: ppu-tool"), std::string::npos) << arguments << "\n" << run.out;
    }
}

TEST_F(PpuToolTest, PackedImagesVerifyAndInspectInInstallationOrder)
{
    ASSERT_EQ(RunTool("make-image --output " + PathOf("fw.bin") +
                      " --generation 1 --layout 2 --firmware 4.7.0 --loader 2.1.0 --ident 40711 --size 4096")
                  .exitCode,
              0);
    ASSERT_EQ(RunTool("make-image --output " + PathOf("boot.img") +
                      " --firmware 2.6 --loader 2.6 --header-kind 0x10")
                  .exitCode,
              0);
    PartImageSpec spec;
    spec.generation = 1;
    spec.layout = 2;
    spec.firmware = 0x040700;
    spec.loader = 0x020100;
    spec.ident = 40711;
    spec.size = 4096;
    EXPECT_EQ(ReadBytes(PathOf("fw.bin")), BuildPartImage(spec));

    const std::string catalog =
        CatalogJson({{"fw.bin", "Firmware", "Firmware 4.7.0"}, {"loader.bin", "Bootloader"}});
    WriteBytes(PathOf("catalog.json"), std::vector<uint8_t>(catalog.begin(), catalog.end()));
    const std::string pack = "pack --catalog " + PathOf("catalog.json") +
                             " --key " TVX_DEV_KEYS_DIR "/package-signing.pem --output " +
                             PathOf("Update.ppu") + " " + PathOf("fw.bin") + " " + PathOf("boot.img") +
                             ":loader.bin.enc";
    const ProgramRun packed = RunTool(pack);
    ASSERT_EQ(packed.exitCode, 0) << packed.out;
    EXPECT_EQ(packed.out, "");
    EXPECT_EQ(RunTool("verify " + PathOf("Update.ppu")).exitCode, 0);

    const ProgramRun inspected = RunTool("inspect --json " + PathOf("Update.ppu"));
    ASSERT_EQ(inspected.exitCode, 0);
    const tvx::JsonValueOwner json(json_parse(inspected.out.data(), inspected.out.size()));
    ASSERT_TRUE(json) << inspected.out;
    const json_value &root = *json;
    EXPECT_EQ(root["verified"].type, json_boolean);
    EXPECT_TRUE(root["verified"].u.boolean);
    EXPECT_EQ(root["reason"].type, json_none);
    EXPECT_EQ(Text(root["catalog"]["catalogVersion"]), "2");
    EXPECT_EQ(Text(root["catalog"]["company"]), "null");
    EXPECT_EQ(root["catalog"]["bootloaderVersions"].type, json_array);
    const json_value &parts = root["parts"];
    ASSERT_EQ(parts.u.array.length, 2u);
    EXPECT_EQ(Text(parts[0]["name"]), "loader.bin");
    EXPECT_EQ(Text(parts[0]["type"]), "Bootloader");
    EXPECT_EQ(Text(parts[0]["subject"]), "null");
    EXPECT_EQ(Text(parts[0]["sha256"]), Sha256Hex(ReadBytes(PathOf("boot.img"))));
    // What each part writes, from its image's header, apart from the catalog's
    // lists of versions it may be installed over.
    EXPECT_EQ(Text(parts[0]["installs"]["firmware"]), "2.06");
    EXPECT_EQ(Text(parts[0]["installs"]["loader"]), "2.06");
    EXPECT_EQ(parts[0]["installs"]["ident"].type, json_none);
    EXPECT_EQ(Text(parts[1]["installs"]["firmware"]), "4.7.0");
    EXPECT_EQ(Text(parts[1]["installs"]["loader"]), "2.1.0");
    EXPECT_EQ(parts[1]["installs"]["ident"].u.integer, 40711);
    const ProgramRun text = RunTool("inspect " + PathOf("Update.ppu"));
    EXPECT_NE(text.out.find("  installs:  firmware 2.06, loader 2.06\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("  installs:  firmware 4.7.0, loader 2.1.0, ident 40711\n"), std::string::npos)
        << text.out;
    EXPECT_EQ(Text(parts[1]["fileName"]), "fw.bin");
    EXPECT_EQ(Text(parts[1]["subject"]), "Firmware 4.7.0");
    EXPECT_EQ(parts[1]["size"].u.integer, 4096);
    EXPECT_EQ(Text(parts[1]["sha256"]), Sha256Hex(ReadBytes(PathOf("fw.bin"))));

    // Renamed: refused with the file and the reason named.
    std::filesystem::copy_file(PathOf("Update.ppu"), PathOf("Renamed.ppu"));
    const ProgramRun verify = RunTool("verify " + PathOf("Renamed.ppu"));
    EXPECT_EQ(verify.exitCode, 1);
    EXPECT_NE(verify.out.find(PathOf("Renamed.ppu") + ": rejected: the catalog does not parse"),
              std::string::npos)
        << verify.out;
    const ProgramRun rejected = RunTool("inspect --json " + PathOf("Renamed.ppu"));
    EXPECT_EQ(rejected.exitCode, 1);
    const tvx::JsonValueOwner rejectedJson(json_parse(rejected.out.data(), rejected.out.size()));
    ASSERT_TRUE(rejectedJson) << rejected.out;
    EXPECT_FALSE((*rejectedJson)["verified"].u.boolean);
    EXPECT_EQ(Text((*rejectedJson)["reason"]), "the catalog does not parse (was the file renamed?)");
}

TEST_F(PpuToolTest, BrokenInputsAreNamed)
{
    WriteBytes(PathOf("fw.bin"), TestImage(64, 1));
    WriteBytes(PathOf("broken.json"), {'{', '"'});
    const std::string common = " --key " TVX_DEV_KEYS_DIR "/package-signing.pem --output " + PathOf("b.ppu") +
                               " " + PathOf("fw.bin");
    const ProgramRun broken = RunTool("pack --catalog " + PathOf("broken.json") + common);
    EXPECT_EQ(broken.exitCode, 0);
    EXPECT_NE(broken.out.find("warning: " + PathOf("broken.json")), std::string::npos) << broken.out;
    EXPECT_EQ(RunTool("verify " + PathOf("b.ppu")).exitCode, 1);

    const ProgramRun missing = RunTool("pack --catalog " + PathOf("none.json") + common);
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.out.find(PathOf("none.json") + ": cannot be read"), std::string::npos);

    WriteBytes(PathOf("key.hex"), {'1', '2'});
    const ProgramRun badKey =
        RunTool("pack --catalog " + PathOf("broken.json") + " --content-key " + PathOf("key.hex") + common);
    EXPECT_EQ(badKey.exitCode, 1);
    EXPECT_NE(badKey.out.find(PathOf("key.hex") + ": does not hold 64 hex digits"), std::string::npos);

    // A folder in place of any input file.
    std::filesystem::create_directory(PathOf("folder"));
    const std::string key = " --key " TVX_DEV_KEYS_DIR "/package-signing.pem";
    const std::string output = " --output " + PathOf("f.ppu");
    const std::vector<std::string> runs = {
        "pack --catalog " + PathOf("folder") + key + output + " " + PathOf("fw.bin"),
        "pack --catalog " + PathOf("broken.json") + " --key " + PathOf("folder") + output + " " +
            PathOf("fw.bin"),
        "pack --catalog " + PathOf("broken.json") + key + " --content-key " + PathOf("folder") + output +
            " " + PathOf("fw.bin"),
        "pack --catalog " + PathOf("broken.json") + key + output + " " + PathOf("folder")};
    for (const std::string &arguments : runs) {
        const ProgramRun run = RunTool(arguments);
        EXPECT_EQ(run.exitCode, 1) << arguments;
        EXPECT_NE(run.out.find(PathOf("folder") + ": cannot be read"), std::string::npos) << run.out;
        EXPECT_FALSE(std::filesystem::exists(PathOf("f.ppu")));
    }

    const ProgramRun absent = RunTool("verify " + PathOf("absent.ppu"));
    EXPECT_EQ(absent.exitCode, 1);
    EXPECT_NE(absent.out.find(PathOf("absent.ppu") + ": rejected: the file cannot be opened"),
              std::string::npos);
}

// A pack or make-image that fails, whenever it fails, leaves a file the user
// already had under the output name as it was, and no file of its own.
TEST_F(PpuToolTest, FailedWritesKeepAnExistingOutput)
{
    WriteBytes(PathOf("fw.bin"), TestImage(std::size_t{256} * 1024, 3));
    const std::string catalog = CatalogJson({{"fw.bin", "Firmware"}});
    WriteBytes(PathOf("catalog.json"), std::vector<uint8_t>(catalog.begin(), catalog.end()));
    const std::string pack = "pack --catalog " + PathOf("catalog.json") + " --output " + PathOf("out.ppu");
    const std::string key = " --key " TVX_DEV_KEYS_DIR "/package-signing.pem " + PathOf("fw.bin");
    // The file system takes no more than a few KiB: writes fail part-way.
    const std::string fullDisk = "trap '' XFSZ; ulimit -f 16; exec ";
    struct Case {
        const char *what;
        std::string arguments;
        std::string shell;
        std::string output;
    } cases[] = {
        {"pack with a key that cannot sign",
         pack + " --key " TVX_DEV_KEYS_DIR "/package-verify.pem " + PathOf("fw.bin"), "", "out.ppu"},
        {"pack on a full disk", pack + key, fullDisk, "out.ppu"},
        {"make-image on a full disk", "make-image --size 1048576 --output " + PathOf("out.bin"), fullDisk,
         "out.bin"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<uint8_t> earlier = {'e', 'a', 'r', 'l', 'i', 'e', 'r'};
        WriteBytes(PathOf(c.output), earlier);
        std::filesystem::permissions(PathOf(c.output), std::filesystem::perms(0640));
        const auto before = std::distance(std::filesystem::directory_iterator(folder), {});
        const ProgramRun run = RunTool(c.arguments, c.shell);
        EXPECT_EQ(run.exitCode, 1) << run.out;
        EXPECT_EQ(ReadBytes(PathOf(c.output)), earlier);
        EXPECT_EQ(std::filesystem::status(PathOf(c.output)).permissions(), std::filesystem::perms(0640));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), before);
    }

    // Done, the new file takes the place and the mode of the earlier one.
    ASSERT_EQ(RunTool(pack + key).exitCode, 0);
    EXPECT_EQ(RunTool("verify " + PathOf("out.ppu")).exitCode, 0);
    EXPECT_EQ(std::filesystem::status(PathOf("out.ppu")).permissions(), std::filesystem::perms(0640));
}

// An input that memory cannot hold, as read or once encrypted, ends pack with
// the reason and exit 1 before anything is signed, and leaves no package: a
// part of an image is never packed as if it were the whole.
TEST_F(PpuToolTest, InputsMemoryCannotHoldAreNotPacked)
{
    if (kAddressSanitizer)
        GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit leaves";
    const std::string catalog = CatalogJson({{"fw.bin", "Firmware"}});
    WriteBytes(PathOf("catalog.json"), std::vector<uint8_t>(catalog.begin(), catalog.end()));
    // About 400 MiB of address space: the program and one copy of a 200 MiB
    // image fit, a second copy (the encrypted one) does not.
    const std::string limited = "ulimit -v 400000; exec ";
    struct Case {
        const char *what;
        uintmax_t imageSize;
        std::string message;
    } cases[] = {
        {"an image larger than the memory", uintmax_t{2} << 30,
         PathOf("fw.bin") + ": cannot be read: out of memory"},
        {"an image the memory holds once", uintmax_t{200} << 20, PathOf("out.ppu") + ": out of memory"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(PathOf("fw.bin"));
        WriteBytes(PathOf("fw.bin"), {});
        std::filesystem::resize_file(PathOf("fw.bin"), c.imageSize); // sparse: no disk space taken
        const ProgramRun run = RunTool("pack --catalog " + PathOf("catalog.json") +
                                           " --key " TVX_DEV_KEYS_DIR "/package-signing.pem --output " +
                                           PathOf("out.ppu") + " " + PathOf("fw.bin"),
                                       limited);
        EXPECT_EQ(run.exitCode, 1) << run.out;
        EXPECT_NE(run.out.find(c.message), std::string::npos) << run.out;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 2)
            << "no package, no temporary file";
    }
}

// The texts of a package go to the terminal with their control characters
// shown, in text and in JSON: a package cannot clear the screen, retitle the
// window or hide a line of what inspect prints.
TEST_F(PpuToolTest, InspectShowsControlCharactersOfThePackageWithoutActingOnThem)
{
    // C0 escape sequences, DEL, and the C1 control CSI in UTF-8 (U+009B).
    const std::string catalog =
        CatalogJson({{"fw\\u001b[2J.bin", "Firmware", R"(\u001b]0;owned\u0007 hidden\rshown)"}},
                    R"("Overview": {"Company": "V\u00d6RN\u009b31m\u007f"})");
    const std::string path = Pack("Hostile.ppu", {catalog, {{"fw\x1b[2J.bin.enc", TestImage(1024, 2)}}});
    const ProgramRun text = RunTool("inspect " + path);
    ASSERT_EQ(text.exitCode, 0) << text.out;
    EXPECT_NE(text.out.find("Part 1: fw\\x1b[2J.bin\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("subject:   \\x1b]0;owned\\x07 hidden\\x0dshown\n"), std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("V\xc3\x96RN\\xc2\\x9b31m\\x7f\n"), std::string::npos) << text.out;

    const ProgramRun json = RunTool("inspect --json " + path);
    ASSERT_EQ(json.exitCode, 0) << json.out;
    EXPECT_NE(json.out.find("\"V\xc3\x96RN\\u009b31m\\u007f\""), std::string::npos) << json.out;
    for (const ProgramRun &run : {text, json})
        for (const char control : {'\x1b', '\x07', '\r', '\x7f'})
            EXPECT_EQ(run.out.find(control), std::string::npos) << int(control) << "\n" << run.out;
    EXPECT_EQ(json.out.find("\xc2\x9b"), std::string::npos) << json.out;
}
