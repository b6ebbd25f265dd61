#pragma once

#include <QString>

class frmHelp;
class QWidget;

// The help pages that ship beside the program.
namespace modHTMLHelp {
// The help's table of contents: the program folder followed by "/help/index.html".
QString GetHelpFile();
// Shows the help at its table of contents in the named help window, then at page when one is named. The help has
// one window, "Main".
void ShowHelp(const QString& windowName, const QString& page = QString());
// F1 in window opens the help at its page.
void addHelpKey(QWidget* window, const QString& page);
// The help window when it is open; nullptr otherwise.
frmHelp* helpWindowIfLoaded();
} // namespace modHTMLHelp
