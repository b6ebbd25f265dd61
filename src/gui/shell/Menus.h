#pragma once

#include <QString>

class QAction;
class QMenu;
class QMenuBar;

// Menus whose entries carry the program's names as object names, so that tests and accessibility find them.
namespace Menus {
QMenu* add(QMenuBar* bar, const char* name, const QString& caption);
QAction* add(QMenu* menu, const char* name, const QString& caption);
} // namespace Menus
