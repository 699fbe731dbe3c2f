// The name a screen reader tells for each control of a dialog, as the Qt
// window gives them: a control's own caption without its '&' marks, or for
// a control without one the text of the control that labels it (a line of
// it where the label has one line per value), a value told after its label.
#pragma once

#include <functional>
#include <string>

#include "Resources.h"

namespace tvx {

// textOf: a control's current text as set, '&' marks included.
std::string ScreenReaderName(const DialogTemplate &dialogTemplate, int controlId,
                             const std::function<std::string(int)> &textOf, const std::string &caption);

} // namespace tvx
