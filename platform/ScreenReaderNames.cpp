#include "platform/ScreenReaderNames.h"

#include <sstream>

namespace tvx {
namespace {

const ControlTemplate *FindControl(const DialogTemplate &t, int id)
{
    for (std::size_t i = 0; i < t.controlCount; ++i)
        if (t.controls[i].id == id)
            return &t.controls[i];
    return nullptr;
}

// Runs of white space as one space, none at either end.
std::string Simplified(const std::string &text)
{
    std::istringstream words(text);
    std::string word, simple;
    while (words >> word)
        simple += (simple.empty() ? "" : " ") + word;
    return simple;
}

std::string Line(const std::string &text, int line)
{
    std::istringstream lines(text);
    std::string found;
    for (int i = 0; i <= line; ++i)
        if (!std::getline(lines, found))
            return {};
    return found;
}

} // namespace

std::string ShownControlText(const std::string &text, unsigned style)
{
    if (style & StyleNoPrefix)
        return text;
    std::string shown;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size())
            ++i;
        else if (text[i] == '&')
            continue;
        shown += text[i];
    }
    return shown;
}

std::string ScreenReaderName(const DialogTemplate &t, int controlId,
                             const std::function<std::string(int)> &textOf, const std::string &caption)
{
    const ControlTemplate *control = FindControl(t, controlId);
    if (!control)
        return {};
    // Only statics may show '&' as is; captions of buttons and group boxes lose the marks.
    const unsigned ownStyle = control->kind == ControlKind::Static ? control->style : 0;
    const std::string own = Simplified(ShownControlText(textOf(controlId), ownStyle));
    const ControlLabel *label = FindControlLabel(t.id, controlId);
    const ControlTemplate *labelControl = label ? FindControl(t, label->label) : nullptr;
    if (!labelControl)
        return control->kind == ControlKind::StaticPicture ? caption : own;
    std::string name = ShownControlText(textOf(label->label),
                                        labelControl->kind == ControlKind::Static ? labelControl->style : 0);
    if (label->line >= 0)
        name = Line(name, label->line);
    name = Simplified(name);
    // A value beside its label is told with it: "Device ID number: K470A01".
    if (control->kind == ControlKind::Static && !own.empty())
        name += ' ' + own;
    return name;
}

} // namespace tvx
