#include "gui/app/frmMain.h"

#include "check/WatchText.h"
#include "core/AppInfo.h"
#include "core/Candidates.h"
#include "core/ProgramState.h"
#include "core/Utils.h"
#include "gui/app/Application.h"
#include "gui/app/Forms.h"
#include "gui/dialogs/frmDomains.h"
#include "gui/dialogs/frmOptions.h"
#include "gui/results/frmResults.h"
#include "gui/shell/DesktopPlatform.h"
#include "gui/shell/Menus.h"
#include "gui/shell/frmAbout.h"
#include "gui/shell/frmTrayIcon.h"
#include "gui/shell/modHTMLHelp.h"
#include "gui/watch/Watcher.h"
#include "gui/watch/frmWatched.h"
#include "gui/whois/frmWhois.h"

#include <QAction>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QWindow>
#include <cstdlib>
#include <limits>

const frmMain::WebSite frmMain::UsefulWebsites[frmMain::UsefulWebsiteCount] = {
    {"mnuWebMou", "gTLD-&Mou (Top Level Domains)", "http://www.gtld-mou.org"},
    {"mnuISOC", "&ISOC (The Internet Society)", "http://www.isoc.org"},
    {"mnuIETF", "IE&TF (Internet Engineering Taskforce)", "http://www.ietf.org"},
    {"mnuIANA", "IA&NA (Internet Assigned Numbers Authority)", "http://www.iana.org"},
    {"mnuArin", "&ARIN (US && South Africa Whois)", "http://www.arin.net"},
    {"mnuRipe", "RIP&E (European Whois)", "http://www.ripe.net"},
    {"mnuApnic", "A&PNIC (Asia-Pacific Whois)", "http://www.apnic.net"},
};

frmMain::frmMain(QWidget* parent) : QMainWindow(parent)
{
    modHTMLHelp::addHelpKey(this, QStringLiteral("names.html"));
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(AppInfo::Title);
    buildControls();
    buildMenus();
    // The controls keep their places: the window is not meant to be stretched.
    setFixedSize(sizeHint());
}

frmMain::~frmMain() = default;

void frmMain::buildControls()
{
    auto* central = new QWidget(this);
    auto* grid = new QGridLayout(central);
    grid->setContentsMargins(12, 12, 12, 12);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(8);

    names = new QLineEdit(central);
    names->setObjectName(QStringLiteral("names"));
    names->setToolTip(QStringLiteral("Enter name or names to check"));
    names->setMinimumWidth(340);
    // Nothing typed or pasted is cut: the name list's own limit answers what is too much.
    names->setMaxLength(std::numeric_limits<int>::max());

    activate = new QPushButton(QStringLiteral("Check"), central);
    activate->setObjectName(QStringLiteral("activate"));
    activate->setDefault(true);

    checkmode[0] = new QRadioButton(QStringLiteral("Check Seperately"), central);
    checkmode[0]->setObjectName(QStringLiteral("checkmode_0"));
    checkmode[0]->setToolTip(QStringLiteral("Example: sun moon checks sun.com and moon.com"));
    checkmode[1] = new QRadioButton(QStringLiteral("Check Combinations"), central);
    checkmode[1]->setObjectName(QStringLiteral("checkmode_1"));
    checkmode[1]->setToolTip(QStringLiteral("Example: sun moon checks sun.com, sunmoon.com, moonsun.com and moon.com"));

    grid->addWidget(names, 0, 0, 1, 2);
    grid->addWidget(activate, 0, 2);
    grid->addWidget(checkmode[0], 1, 0);
    grid->addWidget(checkmode[1], 1, 1, 1, 2, Qt::AlignRight);
    setCentralWidget(central);

    setTabOrder(activate, names);
    setTabOrder(names, checkmode[0]);
    setTabOrder(checkmode[0], checkmode[1]);

    connect(activate, &QPushButton::clicked, this, &frmMain::activate_Click);
    // Check is the window's default button: Enter anywhere in the window presses it.
    for (const int key : {int(Qt::Key_Return), int(Qt::Key_Enter)}) {
        auto* enter = new QShortcut(QKeySequence(key), this);
        enter->setContext(Qt::WindowShortcut);
        connect(enter, &QShortcut::activated, activate, &QPushButton::click);
    }
}

void frmMain::buildMenus()
{
    QMenu* mnuFile = Menus::add(menuBar(), "mnuFile", QStringLiteral("&File "));
    mnuExit = Menus::add(mnuFile, "mnuExit", QStringLiteral("E&xit"));
    // Ctrl+X stays Exit, but a text box with the focus takes it first and cuts, as text boxes do.
    mnuExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    connect(mnuExit, &QAction::triggered, this, [] { Utils::QuitApplication(); });

    QMenu* mnuOptions = Menus::add(menuBar(), "mnuOptions", QStringLiteral("&Options"));
    mnuConfirmWhois = Menus::add(mnuOptions, "mnuConfirmWhois", QStringLiteral("Confirm domains with WHOIS"));
    mnuConfirmWhois->setCheckable(true);
    mnuDashes = Menus::add(mnuOptions, "mnuDashes", QStringLiteral("Also check with &dashes"));
    mnuDashes->setCheckable(true);
    connect(mnuDashes, &QAction::triggered, this, [this] {
        Utils::AppSettings.CheckWithDashes = mnuDashes->isChecked();
        Forms::warnIf(Utils::SaveSettings());
    });
    mnuSysTray = Menus::add(mnuOptions, "mnuSysTray", QStringLiteral("Minimize to System &Tray"));
    mnuSysTray->setCheckable(true);
    mnuOptions->addSeparator()->setObjectName(QStringLiteral("mnubreak5"));
    mnuServer = Menus::add(mnuOptions, "mnuServer", QStringLiteral("DNS &Settings"));
    mnuDomains = Menus::add(mnuOptions, "mnuDomains", QStringLiteral("D&omains to search"));
    // The check marks follow the settings, not the click: the handlers set them.
    connect(mnuConfirmWhois, &QAction::triggered, this, &frmMain::mnuConfirmWhois_Click);
    connect(mnuSysTray, &QAction::triggered, this, &frmMain::mnuSysTray_Click);
    connect(mnuServer, &QAction::triggered, this, &frmMain::mnuServer_Click);
    connect(mnuDomains, &QAction::triggered, this, &frmMain::mnuDomains_Click);

    QMenu* mnuTools = Menus::add(menuBar(), "mnuTools", QStringLiteral("&Tools"));
    mnuWhois = Menus::add(mnuTools, "mnuWhois", QStringLiteral("&Whois Lookup"));
    connect(mnuWhois, &QAction::triggered, this, &frmMain::mnuWhois_Click);
    mnuWatched = Menus::add(mnuTools, "mnuWatched", QStringLiteral("W&atched names..."));
    connect(mnuWatched, &QAction::triggered, this, [] { Forms::showWindow(Forms::watched()); });
    QMenu* mnuSites = mnuTools->addMenu(QStringLiteral("&Useful Websites"));
    mnuSites->setObjectName(QStringLiteral("mnuSites"));
    for (int i = 0; i < UsefulWebsiteCount; ++i) {
        if (i == 4)
            mnuSites->addSeparator()->setObjectName(QStringLiteral("break3"));
        const WebSite& site = UsefulWebsites[i];
        QAction* item = Menus::add(mnuSites, site.objectName, QString::fromLatin1(site.caption));
        const QString address = QString::fromLatin1(site.address);
        connect(item, &QAction::triggered, this, [address] { Platform::instance().openAddress(address); });
    }

    QMenu* mnuHelp = Menus::add(menuBar(), "mnuHelp", QStringLiteral("&Help"));
    mnuHelpIndex = Menus::add(mnuHelp, "mnuHelpIndex", QStringLiteral("&Help Contents"));
    mnuHelp->addSeparator()->setObjectName(QStringLiteral("break"));
    mnuHomepage = Menus::add(mnuHelp, "mnuHomepage", QStringLiteral("Orlevan &homepage"));
    mnuAbout = Menus::add(mnuHelp, "mnuAbout", QStringLiteral("&About Orlevan"));
    connect(mnuHelpIndex, &QAction::triggered, this, &frmMain::mnuHelpIndex_Click);
    connect(mnuHomepage, &QAction::triggered, this, [] { Platform::instance().openAddress(AppInfo::HomePage); });
    connect(mnuAbout, &QAction::triggered, this, &frmMain::mnuAbout_Click);
}

bool frmMain::Form_Load()
{
    setWindowTitle(AppInfo::mainCaption());
    checkmode[0]->setChecked(true);
    const ProgramState state = ProgramState::load(ProgramState::FrontEnd::Window);
    if (state.loadError) {
        // Said on standard error too, for a start from a terminal or a script.
        std::fprintf(stderr, "%s\n",
                     qPrintable(AppInfo::Title + QStringLiteral(" load error: ") +
                                displayText(*state.loadError).replace(QLatin1Char('\n'), QLatin1Char(' '))));
        Platform::instance().messageBox(*state.loadError, Platform::Ok, Platform::Critical, Utils::loadErrorCaption());
        return false;
    }
    Utils::InitApplication(state);
    restorePosition();
    mnuConfirmWhois->setChecked(Utils::AppSettings.ConfirmWhois);
    mnuDashes->setChecked(Utils::AppSettings.CheckWithDashes);
    mnuSysTray->setChecked(Utils::AppSettings.SysTrayMinimize);
    Forms::trayIcon()->SetCallback(this);
    connect(Forms::trayIcon(), &frmTrayIcon::restoreRequested, this, &frmMain::TrayIconCallback);
    connect(Forms::trayIcon(), &frmTrayIcon::exitRequested, this, [] { Utils::QuitApplication(); });
    connect(Forms::trayIcon(), &frmTrayIcon::messageClicked, this, [] { Forms::showWindow(Forms::watched()); });
    connect(Forms::watcher(), &Watcher::changed, this, &frmMain::watchChanged);
    Forms::watcher()->start();
    return true;
}

void frmMain::activate_Click()
{
    // A Check while a run or its WHOIS confirmation is going on would pull the name list from under it.
    if (frmResults* running = Forms::resultsIfLoaded(); running && running->isBusy()) {
        Forms::showWindow(running);
        return;
    }

    const Candidates::Result list = Candidates::build(names->text(), checkmode[1]->isChecked(), Utils::CheckListSize,
                                                      Utils::AppSettings.CheckWithDashes);
    switch (list.verdict) {
    case Candidates::Verdict::IllegalCharacter:
        Platform::instance().messageBox(Candidates::illegalCharacterText(), Platform::Ok, Platform::NoIcon,
                                        Candidates::illegalCharacterCaption());
        return;
    case Candidates::Verdict::Empty:
        return;
    case Candidates::Verdict::TooLong:
        Platform::instance().messageBox(Candidates::tooLongText(list.refusedName), Platform::Ok, Platform::Warning,
                                        AppInfo::Title);
        return;
    case Candidates::Verdict::Unregistrable:
        Platform::instance().messageBox(Candidates::unregistrableText(list.refusedName, list.reason), Platform::Ok,
                                        Platform::Warning, AppInfo::Title);
        return;
    case Candidates::Verdict::TooMany:
        Platform::instance().messageBox(Candidates::tooManyText(list.entriesNeeded, Utils::CheckListSize), Platform::Ok,
                                        Platform::Warning, AppInfo::Title);
        return;
    case Candidates::Verdict::Accepted:
        break;
    }

    const bool personal = Utils::PersonalSelectionInForce();
    const Forms::Io& io = Forms::io();
    auto check = std::make_unique<Check>(Check::Inputs::ofProgram(list, Utils::SelectedSuffixes(personal), personal,
                                                                  Utils::AppSettings, io.nameServerPort, io.check.rdap),
                                         io.check);
    if (check->plan().refusal != RunPlan::Refusal::None) {
        Platform::instance().messageBox(check->plan().refusalText(), Platform::Ok, Platform::Critical, AppInfo::Title);
        return;
    }
    frmResults* results = Forms::results();
    results->setCursor(Qt::WaitCursor);
    results->show();
    results->raise();
    results->GetData(check.release());
}

void frmMain::mnuConfirmWhois_Click()
{
    // QAction has already flipped its check mark; put it back and decide here.
    const bool wasChecked = !mnuConfirmWhois->isChecked();
    mnuConfirmWhois->setChecked(wasChecked);
    if (!wasChecked) {
        const QString text = QStringLiteral("Warning : This may take a very long time\r\n"
                                            "if you check many domains!\r\n"
                                            "Are you sure you want to do this?");
        if (Platform::instance().messageBox(text, Platform::YesNo, Platform::NoIcon,
                                            QStringLiteral("WHOIS-lookup of all free domains")) != Platform::AnswerYes)
            return;
    }
    mnuConfirmWhois->setChecked(!wasChecked);
    Utils::AppSettings.ConfirmWhois = mnuConfirmWhois->isChecked();
    Forms::warnIf(Utils::SaveSettings());
}

void frmMain::mnuSysTray_Click()
{
    Utils::AppSettings.SysTrayMinimize = mnuSysTray->isChecked();
    Forms::warnIf(Utils::SaveSettings());
}

void frmMain::mnuServer_Click()
{
    Forms::warnIf(Utils::SaveSettings());
    Forms::showWindow(Forms::options());
}

void frmMain::mnuDomains_Click()
{
    DesktopPlatform::instance().runModal(Forms::domains());
}

void frmMain::mnuWhois_Click()
{
    Forms::showWindow(Forms::whois());
}

void frmMain::watchChanged(const QList<Watch::Outcome>& outcomes)
{
    const std::optional<WatchText::Notice> notice = WatchText::notice(outcomes);
    if (!notice)
        return;
    if (frmTrayIcon* tray = Forms::trayIconIfLoaded();
        tray && tray->iconShown() && DesktopPlatform::instance().systemTrayAvailable()) {
        tray->showMessage(notice->title, notice->text);
        return;
    }
    Forms::watcher()->mark(outcomes);
    for (const Watch::Outcome& outcome : outcomes) {
        if (!outcome.changes.isEmpty())
            m_unsaidChanges.insert(outcome.entry.ascii);
    }
    // Not from within the check's report: a message box waits in an event loop of its own.
    QTimer::singleShot(0, this, &frmMain::sayWatchChanges);
}

void frmMain::sayWatchChanges()
{
    if (m_unsaidChanges.isEmpty() || !isVisible() || isMinimized())
        return;
    // The Watched names window shows them marked already.
    if (const frmWatched* watched = Forms::watchedIfLoaded(); watched && watched->isVisible()) {
        m_unsaidChanges.clear();
        return;
    }
    const int count = int(m_unsaidChanges.size());
    m_unsaidChanges.clear();
    Platform::instance().messageBox(WatchText::changedText(count), Platform::Ok, Platform::Information, AppInfo::Title);
}

void frmMain::mnuHelpIndex_Click()
{
    modHTMLHelp::ShowHelp(QStringLiteral("Main"));
}

void frmMain::mnuAbout_Click()
{
    DesktopPlatform::instance().runModal(Forms::about());
}

void frmMain::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        Form_Resize();
        sayWatchChanges();
    }
}

void frmMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    QTimer::singleShot(0, this, &frmMain::sayWatchChanges);
}

void frmMain::Form_Resize()
{
    if (!(windowState() & Qt::WindowMinimized) || !Utils::AppSettings.SysTrayMinimize)
        return;
    // Without a tray a hidden window could never be brought back: it stays an ordinary minimised window.
    if (!DesktopPlatform::instance().systemTrayAvailable())
        return;
    hide();
    Forms::trayIcon()->Update(true);
}

void frmMain::TrayIconCallback()
{
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
    activateWindow();
    names->setFocus();
    repaint();
    Forms::trayIcon()->Update(false);
}

void frmMain::savePosition()
{
    if (!windowHandle()) // never shown
        return;
    // Said nowhere when it fails: the program is ending, and the place is only a convenience.
    Utils::SaveSetting(Utils::Key::WindowLeft, QString::number(pos().x()));
    Utils::SaveSetting(Utils::Key::WindowTop, QString::number(pos().y()));
}

void frmMain::restorePosition()
{
    const std::optional<long long> left = Utils::ParseWholeNumber(Utils::GetSetting(Utils::Key::WindowLeft));
    const std::optional<long long> top = Utils::ParseWholeNumber(Utils::GetSetting(Utils::Key::WindowTop));
    if (!left || !top || std::llabs(*left) > 100000 || std::llabs(*top) > 100000)
        return;
    // Only where a screen still shows the title bar: the screens may have changed since.
    const QPoint place{int(*left), int(*top)};
    const QScreen* screen = QGuiApplication::screenAt(place + QPoint(40, 10));
    if (screen && screen->availableGeometry().contains(place + QPoint(40, 10)))
        move(place);
}

void frmMain::closeEvent(QCloseEvent* event)
{
    event->accept();
    Utils::QuitApplication();
}
