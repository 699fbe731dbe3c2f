// The device list of the first step, filled from the device library.
#include <string>
#include <string_view>
#include <vector>

#include "CTVXUpgradeDlg.h"
#include "MultiStringReader.h"
#include "ProductText.h"
#include "TVXDFUUpgrade.h"

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

// In a batch only terminals that every named file can be written to are
// offered: the series of the files' product family, the hardware they name.
bool FitsBatch(const CTVXUpgradeDlg &dialog, const std::string &upper)
{
    if (dialog.batchCount == 0)
        return true;
    const unsigned family = dialog.batchProductId[0] >> 8;
    const char *series = family == 0x12 ? "VORN 4" : family == 0x13 ? "VORN 2" : nullptr;
    if (series && !Contains(upper, series))
        return false;
    const uint32_t model = Contains(upper, "VORN 47") ? 470 : Contains(upper, "VORN 46") ? 460 : 0;
    for (uint32_t file = 0; file < dialog.batchCount && file < kMaxBatchFiles; ++file)
        if (!HardwareFits(dialog.batchHardwareList[file], model))
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
            if (!IsListed(upper) || !FitsBatch(*this, upper))
                continue;
            window.ListInsertRow(deviceList, {std::to_string(++rowNumber), std::string(product),
                                              std::string(id)});
        }
        return;
    }
}
