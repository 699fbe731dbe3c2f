// The product text a terminal is listed under. The wizard's list of product
// texts ends at the first empty one, so a terminal without an iProduct string,
// or whose string read failed, is named from its product id instead.
#pragma once

#include <cstdint>
#include <string>

namespace tvxdfu::usb {

// The model number a product id spells in hex digits (0x0470 gives 470);
// 0 when its digits are not all decimal.
uint32_t ModelOfProductId(uint16_t idProduct);

// `product` when it is not empty; otherwise "VORN <model>" when the product
// id's hex digits spell the model number (0x0470 gives "VORN 470");
// otherwise the USB ids, "USB terminal 0d7b:<idProduct>".
std::string ListedProductText(const std::string &product, uint16_t idProduct);

} // namespace tvxdfu::usb
