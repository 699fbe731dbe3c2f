#include "platform/qt/StockTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>

#include "platform/Language.h"

namespace tvx {

std::unique_ptr<QTranslator> InstallStockTranslations(uint16_t langId)
{
    const uint16_t language = PrimaryLanguage(langId);
    const char *name = language == LANG_GERMAN   ? "qtbase_de"
                       : language == LANG_FRENCH ? "qtbase_fr"
                                                 : nullptr;
    if (!name)
        return nullptr;
    auto translator = std::make_unique<QTranslator>();
    // Without the translations installed Qt's texts stay English, as before.
    if (!translator->load(QString::fromLatin1(name), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator.get()))
        return nullptr;
    return translator;
}

} // namespace tvx
