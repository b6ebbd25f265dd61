#pragma once

#include <QString>

class frmHelp;

// The help pages that ship beside the program.
namespace modHTMLHelp {
// The help's table of contents: the program folder followed by "/help/index.html".
QString GetHelpFile();
// Shows the help at its table of contents in the named help window. The help has one window, "Main".
void ShowHelp(const QString& windowName);
// The help window when it is open; nullptr otherwise.
frmHelp* helpWindowIfLoaded();
} // namespace modHTMLHelp
