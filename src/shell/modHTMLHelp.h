#pragma once

#include <QString>

// The help pages that ship beside the program.
namespace modHTMLHelp {
// The help's table of contents: the program folder followed by "/help/index.html".
QString GetHelpFile();
// Shows the help at its table of contents in the named help window ("Main").
void ShowHelp(const QString& windowName);
} // namespace modHTMLHelp
