#include "Resources.h"

namespace tvx {

const DialogTemplate *FindDialogTemplate(int) { return nullptr; }

} // namespace tvx
