#include "gui/shell/modHTMLHelp.h"

#include "core/Utils.h"
#include "gui/shell/frmHelp.h"

#include <QCoreApplication>
#include <QPointer>

namespace modHTMLHelp {

namespace {
QPointer<frmHelp> g_help;
}

QString GetHelpFile()
{
    return Utils::programFolder() + QStringLiteral("/help/index.html");
}

void ShowHelp(const QString& windowName)
{
    Q_UNUSED(windowName)
    if (!g_help) {
        g_help = new frmHelp;
        // The help window belongs to no other window; it goes when the program ends.
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, g_help.data(), &QObject::deleteLater);
    }
    g_help->showContents(GetHelpFile());
    g_help->show();
    g_help->raise();
    g_help->activateWindow();
}

frmHelp* helpWindowIfLoaded()
{
    return g_help.data();
}

} // namespace modHTMLHelp
