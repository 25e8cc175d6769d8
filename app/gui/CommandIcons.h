// The toolbar buttons' pictures, drawn by the program itself.
#pragma once

#include <QIcon>

namespace korvex::gui {

// The picture of a toolbar command; a null icon for a command no toolbar
// carries.
QIcon CommandIcon(int id);

}  // namespace korvex::gui
