#include "platform/qt/DialogUnits.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>

namespace tvx {

namespace {

// Integer a * b / c rounded to nearest, as the platform scales dialog units.
int ScaleRounded(int a, int b, int c)
{
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

} // namespace

BaseUnits BaseUnitsOf(const QFont &font)
{
    const QFontMetrics metrics(font);
    // The average width over the 52 letters, rounded.
    const int letters =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(letters / 26 + 1) / 2, metrics.height()};
}

int DialogUnitsToPixelsX(int du, const BaseUnits &units)
{
    return ScaleRounded(du, units.width, 4);
}

int DialogUnitsToPixelsY(int du, const BaseUnits &units)
{
    return ScaleRounded(du, units.height, 8);
}

QRect DialogUnitsToPixels(int x, int y, int width, int height, const BaseUnits &units)
{
    const int left = DialogUnitsToPixelsX(x, units);
    const int top = DialogUnitsToPixelsY(y, units);
    return {left, top, DialogUnitsToPixelsX(width, units), DialogUnitsToPixelsY(height, units)};
}

QFont DialogFont(const char *face, int pointSize)
{
    QFont font(QString::fromUtf8(face), pointSize);
    if (QFontInfo(font).family().compare(font.family(), Qt::CaseInsensitive) == 0)
        return font;
    QFont fallback = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    fallback.setPointSize(pointSize);
    return fallback;
}

} // namespace tvx
