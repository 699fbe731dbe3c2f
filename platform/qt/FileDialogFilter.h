// File-dialog filters given as "Name (*.ext) |*.ext|All Files (*.*) |*.*||"
// (name and pattern alternating, '|'-separated, ended by "||") in the form
// the Qt file dialog takes: "Name (*.ext)", one per filter.
#pragma once

#include <QStringList>
#include <string>

namespace tvx {

// Patterns are separated by ';' in the given form and by ' ' in Qt's; "*.*"
// (every file on Windows) becomes "*". A name that shows its
// patterns in parentheses has them replaced by the converted ones.
QStringList ConvertFileDialogFilter(const std::string &filter);

} // namespace tvx
