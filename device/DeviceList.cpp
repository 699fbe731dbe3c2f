// The device list of the first step, filled from the device library.
#include <string>
#include <string_view>
#include <vector>

#include "device/DeviceId.h"
#include "device/MultiStringReader.h"
#include "device/ProductTextMarkers.h"
#include "dfulib/include/TVXDFUUpgrade.h"
#include "versions/Versions.h"
#include "wizard/CTVXUpgradeDlg.h"

namespace {

// A terminal running its loader is listed only when its text still names a
// version after "V ".
bool IsListed(const std::string &upper)
{
    return !Contains(upper, "DFU") || Contains(upper, "V ");
}

// Terminal model a hardware-variant code of a package belongs to; 0 for
// codes of no known model.
uint32_t ModelOfHardwareCode(uint16_t code)
{
    switch (code) {
    case 1:
    case 5:
        return 460;
    case 3:
    case 4:
    case 6:
    case 7:
        return 470;
    default:
        return 0;
    }
}

// A file that names hardware variants fits only terminals of their models;
// a file naming none, or a terminal whose model the text does not tell,
// is left to the checks at the file's turn.
bool HardwareFits(const uint16_t (&codes)[16], uint32_t model)
{
    if (codes[0] == 0 || model == 0)
        return true;
    for (std::size_t i = 0; i < 16 && codes[i] != 0; ++i)
        if (ModelOfHardwareCode(codes[i]) == model)
            return true;
    return false;
}

// The terminal model the package step checks a package against, found the
// way selecting the row finds it: from the product text when it states the
// versions, else from the terminal's answer and identification text. 0 when
// it cannot be told, and for the second vendor's terminal, which no package
// fits.
uint32_t ModelForPackages(std::string_view id, const std::string &upper)
{
    if (Contains(upper, "V ")) {
        if (!Contains(upper, "KOTRX"))
            return 0;
        return Contains(upper, "VORN 47") ? 470 : Contains(upper, "VORN 46") ? 460 : 0;
    }
    char deviceId[17];
    StoreDeviceId(deviceId, std::string(id));
    uint32_t firmware = 0, loader = 0, type = 0;
    uint16_t extra = 0;
    char ident[kIdentTextSize] = {};
    if (GetwBCDDeviceFWVersion(deviceId, 16, &firmware, &loader, &type, &extra, ident) != 0)
        return 0;
    ident[kIdentTextSize - 1] = '\0';
    if (ContainsSecondVendorWord(ident))
        return 0;
    return IdentTextNamesModel460(ident) ? 460 : type;
}

bool IsSelectedTerminal(const CTVXUpgradeDlg &dialog, std::string_view id)
{
    // The ID keeps changing letter case as the run compares it.
    return dialog.terminal.selectedDeviceId[0] != '\0' &&
           UpperCaseCopy(id.substr(0, 16)) == UpperCaseCopy(dialog.terminal.selectedDeviceId);
}

// In a batch only terminals that every named file can be written to are
// offered: the series of the files' product family, the hardware they name,
// and the terminal type of their catalogs, so that no listed terminal is
// refused at its first file.
bool FitsBatch(const CTVXUpgradeDlg &dialog, std::string_view id, const std::string &upper)
{
    if (dialog.batch.batchCount == 0)
        return true;
    const unsigned family = dialog.batch.batchProductId[0] >> 8;
    const char *series = family == 0x12 ? "VORN 4" : family == 0x13 ? "VORN 2" : nullptr;
    if (series && !Contains(upper, series))
        return false;
    const uint32_t textModel = Contains(upper, "VORN 47") ? 470 : Contains(upper, "VORN 46") ? 460 : 0;
    const uint32_t files =
        dialog.batch.batchCount < kMaxBatchFiles ? dialog.batch.batchCount : kMaxBatchFiles;
    for (uint32_t file = 0; file < files; ++file)
        if (!HardwareFits(dialog.batch.batchHardwareList[file], textModel))
            return false;
    // The selected terminal passed when it was chosen; asked again while it
    // restarts it may not answer yet, and its return is looked for here.
    if (IsSelectedTerminal(dialog, id))
        return true;
    const uint32_t model = ModelForPackages(id, upper);
    for (uint32_t file = 0; file < files; ++file)
        if (model == 0 || dialog.batch.batchTerminalType[file] != model)
            return false;
    return true;
}

} // namespace

void CTVXUpgradeDlg::RefreshDeviceList()
{
    if (window.ListRowCount(deviceList) > 0)
        window.ListDeleteAllRows(deviceList);

    // The list can grow between the sizing and the filling call: one retry.
    for (int attempt = 0; attempt < 2; ++attempt) {
        uint32_t productLength = 0;
        uint32_t idLength = 0;
        if (ListVORNDevices(nullptr, &productLength, nullptr, &idLength) != 0)
            return;
        std::vector<char> products(productLength, '\0');
        std::vector<char> ids(idLength, '\0');
        const uint32_t result = ListVORNDevices(products.data(), &productLength, ids.data(), &idLength);
        if (result == TVXDFU_BUFFER_TOO_SMALL && attempt == 0)
            continue;
        if (result != 0)
            return;

        MultiStringReader productReader(products);
        MultiStringReader idReader(ids);
        std::string_view product;
        std::string_view id;
        int rowNumber = 0;
        // Driven by the ID list: a terminal without a product text is listed
        // with an empty one; a product buffer that runs out ends the walk.
        while (idReader.Next(&id) && productReader.NextEntry(&product)) {
            const std::string upper = UpperCaseCopy(product);
            if (!IsListed(upper) || !FitsBatch(*this, id, upper))
                continue;
            window.ListInsertRow(deviceList,
                                 {std::to_string(++rowNumber), std::string(product), std::string(id)});
        }
        return;
    }
}
