#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Before any window: whether there is a desktop to show the windows on.
namespace Startup {

// True with an X11 or Wayland display that can be reached (or one named by "-display NAME"), or with another
// platform chosen by QT_QPA_PLATFORM or "-platform NAME" (the tests choose offscreen so); Qt handles those itself.
// arguments are the command line without the program.
bool hasDisplay(const QProcessEnvironment& environment, const QStringList& arguments);
// The line said on standard error without one.
QString noDisplayText();
// hasDisplay for this process; says noDisplayText when false.
bool checkDisplay(int argc, char* argv[]);

} // namespace Startup
