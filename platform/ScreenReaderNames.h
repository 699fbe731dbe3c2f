// The name a screen reader tells for each control of a dialog, as the Qt
// window gives them: a control's own caption without its '&' marks, or for
// a control without one the text of the control that labels it (a line of
// it where the label has one line per value), a value told after its label.
// Both window layers name their controls so.
#pragma once

#include <functional>
#include <string>

#include "res/Resources.h"

namespace tvx {

// A text as a static control shows it: '&' marks a mnemonic and "&&" shows
// one '&', unless the control shows its text as is (StyleNoPrefix).
std::string ShownControlText(const std::string &text, unsigned style);

// textOf: a control's current text as set, '&' marks included.
std::string ScreenReaderName(const DialogTemplate &dialogTemplate, int controlId,
                             const std::function<std::string(int)> &textOf, const std::string &caption);

} // namespace tvx
