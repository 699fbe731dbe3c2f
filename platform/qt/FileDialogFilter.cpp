#include "platform/qt/FileDialogFilter.h"

#include <QRegularExpression>

namespace tvx {

QStringList ConvertFileDialogFilter(const std::string &filter)
{
    const QStringList fields = QString::fromUtf8(filter).split(QLatin1Char('|'));
    QStringList converted;
    for (qsizetype i = 0; i + 1 < fields.size(); i += 2) {
        QString name = fields[i].trimmed();
        if (name.isEmpty())
            break; // the closing "||"
        QStringList patterns;
        for (const QString &pattern : fields[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString trimmed = pattern.trimmed();
            patterns << (trimmed == QLatin1String("*.*") ? QStringLiteral("*") : trimmed);
        }
        if (patterns.isEmpty())
            patterns << QStringLiteral("*");
        static const QRegularExpression shownPatterns(QStringLiteral("\\s*\\([^()]*\\)$"));
        name.remove(shownPatterns);
        converted << QStringLiteral("%1 (%2)").arg(name, patterns.join(QLatin1Char(' ')));
    }
    return converted;
}

} // namespace tvx
