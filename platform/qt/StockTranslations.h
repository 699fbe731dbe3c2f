// Qt's own texts (the buttons of message boxes, the labels of file dialogs)
// in the language the wizard speaks, from the translations Qt ships.
#pragma once

#include <QTranslator>

#include <cstdint>
#include <memory>

namespace tvx {

// Installs Qt's translations for the language id's primary language (German
// or French; English needs none). They stay installed while the returned
// translator lives; nullptr when there are none to install.
std::unique_ptr<QTranslator> InstallStockTranslations(uint16_t langId);

} // namespace tvx
