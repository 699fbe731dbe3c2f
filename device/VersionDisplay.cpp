// The version texts of the terminal and of the package, and the information
// rows that show them.
#include "device/PartType.h"
#include "versions/TextFormat.h"
#include "versions/Versions.h"
#include "wizard/CTVXUpgradeDlg.h"

namespace {

// Longest version token that ParseVersionText reads whole.
constexpr std::size_t kLongestVersionToken = 11;

// The dotted token after "V " in a product text, when it is made of digits
// and single dots; empty otherwise.
std::string_view VersionTokenAfterMarker(std::string_view product, int *dots)
{
    const std::size_t marker = product.find("V ");
    if (marker == std::string_view::npos || product.size() - marker < 3)
        return {};
    const std::size_t start = marker + 2;
    const std::size_t end = product.find(' ', start);
    const std::string_view token = product.substr(start, end == std::string_view::npos ? end : end - start);
    int count = 0;
    char previous = ' ';
    for (char c : token) {
        if (c == '.') {
            if (previous == '.' || previous == ' ')
                return {};
            ++count;
        } else if (c < '0' || c > '9') {
            return {};
        }
        previous = c;
    }
    *dots = count;
    return token;
}

unsigned Byte(uint32_t value, int shift)
{
    return (value >> shift) & 0xFF;
}

// "A + B" when both are shown, else the one there is. Only a loader marks the
// package as a loader-only package.
std::string JoinVersionDisplays(const std::string &firmware, const std::string &loader, uint32_t *loaderOnly)
{
    if (!firmware.empty() && !loader.empty())
        return firmware + " + " + loader;
    if (!loader.empty())
        *loaderOnly = 1;
    return firmware.empty() ? loader : firmware;
}

} // namespace

void CTVXUpgradeDlg::RefreshFirmwareVersionText()
{
    // Changes: terminal.
    int dots = 0;
    const std::string_view token = VersionTokenAfterMarker(terminal.selectedProductInfo, &dots);
    // A longer token would be cut by the parser into some other version.
    if (dots == 2 && token.size() <= kLongestVersionToken) {
        const ParsedVersion version = ParseVersionText(token);
        if (version.major != kNoVersionNumber && version.minor != kNoVersionNumber &&
            version.patch != kNoVersionNumber) {
            terminal.threePartVersion = 1;
            terminal.firmwareVersionText = FormatVersion3(version);
            return;
        }
    }
    terminal.threePartVersion = 0;
    terminal.firmwareVersionText = BcdVersionText(terminal.firmwareVersionBefore);
}

void CTVXUpgradeDlg::ShowDeviceVersion(int row)
{
    RefreshFirmwareVersionText();
    std::string text;
    if (!terminal.firmwareVersionText.empty()) {
        const ParsedVersion version = ParseVersionText(terminal.firmwareVersionText);
        text = terminal.threePartVersion == 1
                   ? Format("V%d.%03d.%03d", version.major, version.minor, version.patch)
                   : Format("V%d.%02d", version.major, version.minor);
    }
    if (terminal.loaderVersionBefore != 0) {
        if (!terminal.firmwareVersionText.empty())
            text += " + ";
        text += "Loader V" + ShortBcdVersion(terminal.loaderVersionBefore) + " ";
    }
    window.SetControlText(row, text);
}

void CTVXUpgradeDlg::ReadPackageFirmwareText()
{
    // Changes: package.
    package.packageFirmwareText.clear();
    const PackageEntry *part = FirstPartOfType(package.loadedPackage, "Firmware");
    if (!part)
        return;
    const uint32_t word = headerWord(part);
    const uint32_t generation = HeaderGeneration(word);
    if (generation == 255)
        return;
    if (generation == 1) {
        ImageVersions versions;
        ReadImageVersions(part, word, &versions, nullptr);
        package.packageFirmwareText = versions.firmwareText;
        return;
    }
    uint16_t firmware = 0; // stays 0 when the field lies beyond the image
    ImageWord16(part, tvx::imageheader::BcdFields(word).firmware, &firmware);
    package.packageFirmwareText = BcdVersionText(firmware);
}

void CTVXUpgradeDlg::ReadPackageLoaderText()
{
    // Changes: package.
    package.packageLoaderText.clear();
    const PackageEntry *part = FirstPartOfType(package.loadedPackage, "Bootloader");
    if (!part)
        return;
    uint16_t loader = 0;
    const std::size_t offset = tvx::imageheader::KnownBcdLoaderOffset(headerWord(part));
    // The field must also lie clear of the 16-byte suffix.
    if (offset != 0 && part->size > 0 && static_cast<std::size_t>(part->size) > offset + 16)
        ImageWord16(part, offset, &loader);
    package.packageLoaderText = Format("%.2hx.%.2hx", static_cast<unsigned short>(Byte(loader, 8)),
                                       static_cast<unsigned short>(Byte(loader, 0)));
}

void CTVXUpgradeDlg::ShowPartVersions(const PackageEntry *part)
{
    // Changes: package.
    const uint32_t word = headerWord(part);
    std::string firmwareDisplay;
    std::string loaderDisplay;
    ImageVersions versions;
    if (HeaderGeneration(word) == 1) {
        // An unknown layout leaves both values 0 and the row empty.
        ReadImageVersions(part, word, &versions, &package.packageIdentNumber);
        if (versions.firmware != 0) {
            package.packageFirmwareText = versions.firmwareText;
            package.loaderOnlyPackage = 0;
            package.packageFirmwareVersion3 = versions.firmware;
            firmwareDisplay = "V " + ShortVersion3(versions.firmware) + " ";
        }
        if (versions.loader != 0) {
            package.packageLoaderText = versions.loaderText;
            package.packageLoaderVersion3 = versions.loader;
            loaderDisplay = "Loader V " + ShortVersion3(versions.loader) + " ";
        }
    } else {
        ReadPackageFirmwareText();
        ReadPackageLoaderText();
        ReadImageVersions(part, word, &versions, nullptr);
        if (versions.firmware != 0) {
            package.loaderOnlyPackage = 0;
            firmwareDisplay = Format("V %x.%x ", Byte(versions.firmware, 8), Byte(versions.firmware, 0));
        }
        if (versions.loader != 0) {
            package.packageLoaderVersion3 = versions.loader;
            loaderDisplay = Format("Loader V %x.%x ", Byte(versions.loader, 8), Byte(versions.loader, 0));
        }
    }
    window.SetControlText(versionViaFileText,
                          JoinVersionDisplays(firmwareDisplay, loaderDisplay, &package.loaderOnlyPackage));
}
