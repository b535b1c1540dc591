#pragma once

#include <QString>

namespace app {

// The program's one built-in skin as a style sheet: window #F9F8F9, Tahoma, the grid's and
// the buttons' colours.
QString skinStyleSheet();

// Makes Tahoma available: the system's own, or the copy that the Wine font package carries.
void registerFonts();

} // namespace app
