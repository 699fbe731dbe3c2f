// The service contact of the abort boxes. A vendor build puts its own hotline
// and web address here; these are deliberately fictitious.
#include "res/Resources.h"

namespace tvx {

const char *const kServiceHotline = "+49 (0)30 555 0100";
const char *const kServiceWebAddress = "https://www.example.com/vorn/service";

} // namespace tvx
