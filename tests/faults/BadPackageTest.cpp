// Files that are no usable package, offered through every door a package
// comes in by: the loader itself, the wizard's package step and ppu-tool
// verify and inspect. Each is refused with its reason and nothing crashes,
// waits or reads more than it must.
#include "DriveFixture.h"
#include "PackageFixture.h"

#include <sys/resource.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>

#include "ProgramRun.h"

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
    const std::size_t entriesEnd = bytes.size() - kSignatureLength - 2 * kEntryBlockLength; // before the end marker
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

    // Far larger than any package: sparse files, never read into memory.
    path = PlaceFor("1GiB");
    std::filesystem::resize_file((WriteBytes(path, {}), path), 1ull << 30);
    files.push_back({"1 GiB of nothing", path, LoadFailure::SignatureMismatch});
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
            const ProgramRun run = RunInFolder(folder, std::string(PPU_TOOL) + " " + tool.command + file.path);
            EXPECT_EQ(run.exitCode, 1) << tool.command;
            EXPECT_NE((run.*tool.stream).find(rejected), std::string::npos)
                << tool.command << "\n" << run.out << run.err;
        }
    }
    // Nothing of the large files was held in memory.
    EXPECT_LT(PeakResidentKb() - peakBefore, 64 * 1024);

    // The step still takes a good package after all of them.
    Drive("package " + good + "\nnext");
    EXPECT_EQ(Dialog().currentStep, StepBackup);
}
