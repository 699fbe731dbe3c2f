// A dialog template table turned into the extended dialog template Windows
// creates a dialog from (DLGTEMPLATEEX and its items), in memory, so the
// native window is laid out in the same dialog units as the table says.
#pragma once

#include <cstdint>
#include <vector>

#include "res/Resources.h"

namespace tvx {

// WORD-sized storage, DWORD-aligned by the allocator, as the system wants it.
// owned: a dialog with an owner window; one without shows in the task bar.
std::vector<uint32_t> BuildInMemoryDialogTemplate(const DialogTemplate &dialogTemplate, bool owned);

// The window style a control of the table gets.
uint32_t NativeControlStyle(const ControlTemplate &control);

} // namespace tvx
