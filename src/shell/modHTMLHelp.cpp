#include "shell/modHTMLHelp.h"

#include "core/Platform.h"
#include "core/Utils.h"

namespace modHTMLHelp {

QString GetHelpFile()
{
    return Utils::programFolder() + QStringLiteral("/help/index.html");
}

void ShowHelp(const QString& windowName)
{
    Q_UNUSED(windowName)
    Platform::instance().openUrl(GetHelpFile());
}

} // namespace modHTMLHelp
