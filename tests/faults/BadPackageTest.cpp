// Files that are no usable package, offered through every door a package
// comes in by: the loader itself, the wizard's package step and ppu-tool
// verify and inspect. Each is refused with its reason and nothing crashes,
// waits or reads more than it must.
#include "tests/support/DriveFixture.h"
#include "tests/support/PackageFixture.h"

#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "config/ConfigFile.h"
#include "dfulib/suffix/DfuSuffix.h"
#include "tests/support/ProgramRun.h"
#include "tools/ppu-tool/PartImageMaker.h"

namespace {

constexpr const char *kPackageName = "fit.ppu";

struct BadFile {
    std::string name;
    std::string path;
    LoadFailure failure;
};

long PeakResidentKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void WriteSigned(const std::string &path, const PackageContents &contents)
{
    std::string error;
    ASSERT_TRUE(WritePackage(path, contents, DevelopmentSigning(), &error)) << error;
}

// A sparse file just over the size a package may have, ending in the genuine
// signature block of `package`: a block that opens with the key, so only the
// size keeps the loader from reading the whole file.
void WriteOversized(const std::string &path, const std::vector<uint8_t> &package)
{
    WriteBytes(path, {});
    std::filesystem::resize_file(path, kMaxPackageLength + 1 - kSignatureLength);
    std::ofstream(path, std::ios::binary | std::ios::app)
        .write(reinterpret_cast<const char *>(package.data() + package.size() - kSignatureLength),
               kSignatureLength);
    ASSERT_EQ(std::filesystem::file_size(path), static_cast<uintmax_t>(kMaxPackageLength + 1));
}

} // namespace

class BadPackage : public DriveTest {
protected:
    // A folder of its own per file, each file named as the package it was
    // cut from, so that what can still be decrypted is.
    std::string PlaceFor(const std::string &row)
    {
        const std::string place = folder + "/" + std::to_string(rows_++) + "-" + row;
        std::filesystem::create_directory(place);
        return place + "/" + kPackageName;
    }
    std::vector<BadFile> MakeBadFiles();

    std::string good;

private:
    int rows_ = 0;
};

std::vector<BadFile> BadPackage::MakeBadFiles()
{
    good = folder + "/" + Pack(kPackageName, FirmwarePackage470());
    const std::vector<uint8_t> bytes = ReadBytes(good);
    std::vector<BadFile> files;

    std::string path = PlaceFor("folder");
    std::filesystem::create_directory(path);
    files.push_back({"a folder", path, LoadFailure::NoFileName});
    path = PlaceFor("pipe");
    mkfifo(path.c_str(), 0600); // nobody ever writes to it
    files.push_back({"a named pipe", path, LoadFailure::NotARegularFile});
    files.push_back({"a device", "/dev/zero", LoadFailure::NotARegularFile});
    path = PlaceFor("empty");
    WriteBytes(path, {});
    files.push_back({"an empty file", path, LoadFailure::NoSignatureBlock});

    // Cut at every block boundary: refused by the signature, and signed
    // again after the cut, by the reader itself.
    const std::size_t entriesEnd =
        bytes.size() - kSignatureLength - std::size_t{2} * kEntryBlockLength; // before the end marker
    for (std::size_t length = kEntryBlockLength; length < bytes.size(); length += kEntryBlockLength) {
        const std::string at = std::to_string(length);
        const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
        path = PlaceFor("cut-" + at);
        WriteBytes(path, cut);
        files.push_back({"cut at " + at, path, LoadFailure::SignatureMismatch});
        if (length >= entriesEnd)
            continue; // signed again, every entry is whole: a package without its end marker
        path = PlaceFor("cut-signed-" + at);
        WriteBytes(path, cut);
        AppendSignature(path);
        files.push_back({"cut at " + at + ", signed again", path, LoadFailure::EntryUnreadable});
    }

    // Larger than any package: sparse files, never read into memory.
    path = PlaceFor("over-the-cap");
    WriteOversized(path, bytes);
    files.push_back(
        {"just over the size cap, with a genuine signature block", path, LoadFailure::NoSignatureBlock});
    path = PlaceFor("1GiB");
    std::filesystem::resize_file((WriteBytes(path, {}), path), 1ull << 30);
    files.push_back({"1 GiB of nothing", path, LoadFailure::NoSignatureBlock});
    path = PlaceFor("3GiB");
    std::filesystem::resize_file((WriteBytes(path, {}), path), 3ull << 30);
    files.push_back({"3 GiB of nothing", path, LoadFailure::NoSignatureBlock});
    // A signed file whose part claims 8 GiB.
    path = PlaceFor("huge-entry");
    std::vector<uint8_t> huge(bytes.begin(), bytes.end() - kSignatureLength);
    std::memcpy(&huge[1024 + 124], "77777777777", 11);
    WriteBytes(path, huge);
    AppendSignature(path);
    files.push_back({"a part that claims 8 GiB", path, LoadFailure::EntryUnreadable});

    // Signed and readable, but with parts no terminal takes.
    path = std::filesystem::path(PlaceFor("renamed")).replace_filename("renamed.ppu");
    CopyRenamedKeepingCatalog(good, path);
    files.push_back({"renamed, the catalog alone made for the new name", path, LoadFailure::BadPartSuffix});
    const std::string catalog = CatalogJson({{"fw.dfu", "Firmware"}, {"fw2.dfu", "Firmware"}});
    const std::vector<uint8_t> image = BuildPartImage(FirmwarePackage470().parts[0].image);
    path = PlaceFor("twice");
    WriteSigned(path, {catalog, {{"fw.dfu.enc", image}, {"fw.dfu.enc", image}}});
    files.push_back({"one part twice", path, LoadFailure::DuplicateEntry});
    uint8_t suffix[tvx::kDfuSuffixLength];
    tvx::WriteDfuSuffix(nullptr, 0, 0x0407, 0x0470, tvx::kVornVendorId, suffix);
    path = PlaceFor("suffix-only");
    WriteSigned(path,
                {CatalogJson({{"fw.dfu", "Firmware"}}), {{"fw.dfu.enc", {suffix, suffix + sizeof suffix}}}});
    files.push_back({"a part that is only its suffix", path, LoadFailure::EmptyPart});
    return files;
}

TEST_F(BadPackage, RefusedWithItsReasonThroughEveryDoor)
{
    Start({ThreePartTerminal("K470A01")});
    const std::vector<BadFile> files = MakeBadFiles();
    const long peakBefore = PeakResidentKb();
    Drive("select 0\nnext");
    for (const BadFile &file : files) {
        SCOPED_TRACE(file.name);
        ::Record record(NewPackageRecord());
        EXPECT_EQ(LoadPackageChecked(file.path.c_str(), record.get()), file.failure);

        const std::size_t boxes = BoxCount();
        Drive("package " + file.path + "\nnext");
        ASSERT_EQ(BoxCount(), boxes + 1);
        EXPECT_EQ(Window().MessageBoxes().back().text, EnglishText(160));
        EXPECT_EQ(Dialog().currentStep, StepSelectPackage);
        EXPECT_TRUE(Usable(D::nextButton));

        // verify says it on standard error, inspect in its report.
        const std::string rejected = file.path + ": rejected: " + DescribeLoadFailure(file.failure);
        const struct {
            const char *command;
            std::string ProgramRun::*stream;
        } tools[] = {{"verify ", &ProgramRun::err}, {"inspect ", &ProgramRun::out}};
        for (const auto &tool : tools) {
            const ProgramRun run =
                RunInFolder(folder, std::string(PPU_TOOL) + " " + tool.command + file.path);
            EXPECT_EQ(run.exitCode, 1) << tool.command;
            EXPECT_NE((run.*tool.stream).find(rejected), std::string::npos) << tool.command << "\n"
                                                                            << run.out << run.err;
        }
    }
    // Nothing of the large files was held in memory.
    EXPECT_LT(PeakResidentKb() - peakBefore, 64 * 1024);

    // The step still takes a good package after all of them.
    Drive("package " + good + "\nnext");
    EXPECT_EQ(Dialog().currentStep, StepBackup);
}

// The batch file is read when the wizard opens: a package it names that is
// too large is refused by its size before any of it is read.
TEST_F(BadPackage, BatchFileNamingAnOversizedPackageIsRefusedUnread)
{
    good = folder + "/" + Pack(kPackageName, FirmwarePackage470());
    WriteOversized(folder + "/huge.ppu", ReadBytes(good));
    std::ofstream(kConfigFileName) << "fit.huge.";
    const long peakBefore = PeakResidentKb();
    Start({ThreePartTerminal("K470A01")});
    EXPECT_LT(PeakResidentKb() - peakBefore, 64 * 1024);
    const auto &boxes = Window().MessageBoxes();
    EXPECT_TRUE(std::any_of(boxes.begin(), boxes.end(),
                            [](const auto &box) { return box.text == EnglishText(188); }));
    EXPECT_EQ(Dialog().batch.batchCount, 0u);
}
