#pragma once

#include <QIcon>
#include <QPixmap>

// The program's pictures, compiled into the program.
namespace ProgramIcon {
// The icon of every window and of the tray, in every size the desktop asks for.
QIcon icon();
// The about box's logo.
QPixmap logo();
} // namespace ProgramIcon
