#pragma once

#include <QString>

// Control names whose object names say little; the window and the core use these constants.
namespace Controls {
// "Label4": the line where Development > View INI Strings shows the hemisphere.
inline const QString IniStrings = QStringLiteral("Label4");
// "Label04": the text listing of the View menu.
inline const QString DataListing = QStringLiteral("Label04");
} // namespace Controls
