#include "gui/app/Application.h"

#include "core/AppInfo.h"
#include "core/ProgramState.h"
#include "core/Utils.h"
#include "gui/app/Forms.h"
#include "gui/app/frmMain.h"
#include "gui/dialogs/frmDomains.h"
#include "gui/dialogs/frmOptionsFirst.h"
#include "gui/shell/DesktopPlatform.h"
#include "gui/shell/ProgramIcon.h"
#include "gui/shell/frmReadme.h"
#include "gui/shell/frmTrayIcon.h"
#include "gui/shell/modHTMLHelp.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QRadioButton>

namespace Application {

void prepare()
{
    // Hidden in the tray the program has no visible window and must keep running.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setApplicationName(AppInfo::Title);
    // Lets the desktop match the windows with the menu entry, and so with its name and icon.
    QApplication::setDesktopFileName(QStringLiteral("net.brennmoor.orlevan"));
    QApplication::setWindowIcon(ProgramIcon::icon());
    QApplication::setApplicationVersion(
        QStringLiteral("%1.%2.%3").arg(AppInfo::Major).arg(AppInfo::Minor).arg(AppInfo::Revision));
}

int run()
{
    prepare();
    DesktopPlatform desktop;
    Platform::setInstance(&desktop);
    int status = 1;
    frmMain* window = Forms::main();
    if (window->Form_Load()) {
        window->show();
        status = QApplication::exec();
    }
    Forms::destroyAll();
    Platform::setInstance(nullptr);
    return status;
}

} // namespace Application

namespace Utils {

void InitApplication(const ProgramState& state)
{
    if (state.damaged)
        Platform::instance().messageBox(Utils::damagedSettingsText(Utils::AppSettings.NameServer), Platform::Ok,
                                        Platform::Warning, AppInfo::Title);
    if (state.firstRun) {
        // The help ships beside the program; there is nothing to install, only to find.
        if (!QFileInfo::exists(modHTMLHelp::GetHelpFile()))
            Platform::instance().messageBox(QStringLiteral("HTMLhelp not installed"), Platform::Ok, Platform::Critical,
                                            AppInfo::Title);
        Forms::warnIf(SaveSetting(Key::Init, BoolText(false)));
        Forms::warnIf(SaveSetting(Key::Domains, QStringLiteral("default")));
        Forms::warnIf(SaveSettings());
        Forms::warnIf(SaveDomainSelection());
        Forms::domains()->defaultdomains->setChecked(true);
        DesktopPlatform::instance().runModal(Forms::readme());
        DesktopPlatform::instance().runModal(Forms::optionsFirst());
    }

    QLabel* label = Forms::domains()->staticdomainlabel;
    label->setText(QString());
    for (const QString& domain : DefaultDomains)
        label->setText(label->text() + QLatin1Char('.') + domain);
}

void QuitApplication()
{
    static bool quitting = false;
    if (quitting)
        return;
    quitting = true;
    if (frmTrayIcon* tray = Forms::trayIconIfLoaded())
        tray->Update(false);
    if (frmMain* window = Forms::mainIfLoaded()) {
        window->savePosition();
        window->hide();
    }
    Platform::instance().quit(0);
    quitting = false;
}

} // namespace Utils
