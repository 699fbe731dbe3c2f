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
bool IsListed(std::string_view product)
{
    const std::string upper = UpperCaseCopy(product);
    return !Contains(upper, "DFU") || Contains(upper, "V ");
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
        // Driven by the ID list; a shorter product list ends the walk too.
        while (idReader.Next(&id) && productReader.Next(&product)) {
            if (!IsListed(product))
                continue;
            window.ListInsertRow(deviceList, {std::to_string(++rowNumber), std::string(product),
                                              std::string(id)});
        }
        return;
    }
}
