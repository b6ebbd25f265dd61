#include "gui/shell/modHTMLHelp.h"

#include "core/Utils.h"
#include "gui/shell/frmHelp.h"

#include <QApplication>
#include <QPointer>
#include <QShortcut>
#include <QTextBrowser>

namespace modHTMLHelp {

namespace {
QPointer<frmHelp> g_help;
}

QString GetHelpFile()
{
    return Utils::programFolder() + QStringLiteral("/help/index.html");
}

void ShowHelp(const QString& windowName, const QString& page)
{
    Q_UNUSED(windowName)
    if (!g_help) {
        g_help = new frmHelp;
        // The help window belongs to no other window; it goes when the program ends.
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, g_help.data(), &QObject::deleteLater);
    }
    // A modal dialog in front blocks every other window; the help then opens as a window of that dialog's, so that
    // it can be read beside it.
    QWidget* owner = QApplication::activeModalWidget();
    if (g_help->parentWidget() != owner)
        g_help->setParent(owner, Qt::Window);
    g_help->showContents(GetHelpFile());
    if (!page.isEmpty())
        g_help->helpBrowser->setSource(QUrl::fromLocalFile(Utils::programFolder() + QStringLiteral("/help/") + page));
    g_help->show();
    g_help->raise();
    g_help->activateWindow();
}

void addHelpKey(QWidget* window, const QString& page)
{
    auto* key = new QShortcut(QKeySequence::HelpContents, window);
    QObject::connect(key, &QShortcut::activated, window, [page] { ShowHelp(QStringLiteral("Main"), page); });
}

frmHelp* helpWindowIfLoaded()
{
    return g_help.data();
}

} // namespace modHTMLHelp
