// Dialog units to pixels through the dialog font's base units, as dialog
// templates are laid out: x px = x du * baseWidth / 4, y px = y du * baseHeight / 8.
#pragma once

#include <QFont>
#include <QRect>

namespace tvx {

struct BaseUnits {
    int width;  // average character width of the dialog font
    int height; // height of the dialog font
};

BaseUnits BaseUnitsOf(const QFont &font);

// Rounded to the nearest pixel, halves away from zero.
int DialogUnitsToPixelsX(int du, const BaseUnits &units);
int DialogUnitsToPixelsY(int du, const BaseUnits &units);
QRect DialogUnitsToPixels(int x, int y, int width, int height, const BaseUnits &units);

// The template's font when this system has it, otherwise the system's
// general sans font at the template's point size.
QFont DialogFont(const char *face, int pointSize);

} // namespace tvx
