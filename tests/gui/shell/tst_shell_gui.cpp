#include "core/Environment.h"
#include "core/SysInfo.h"
#include "core/Utils.h"
#include "gui/app/Forms.h"
#include "gui/app/frmMain.h"
#include "gui/dialogs/frmDomains.h"
#include "gui/dialogs/frmOptions.h"
#include "gui/shell/frmAbout.h"
#include "gui/shell/frmHelp.h"
#include "gui/shell/frmReadme.h"
#include "gui/shell/frmTrayIcon.h"
#include "gui/shell/modHTMLHelp.h"
#include "gui/whois/frmWhois.h"
#include "support/gui/GuiSuite.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

// The notice of the first start, as its owner wrote it.
static const char* const Notice =
    "Important information!\nLabel1: *Important - read this!*\nLabel2: Orlevan will check Internet domains in two "
    "ways. Using a DNS (the default method) and now also using WHOIS. Since WHOIS is a very slow protocol it is only "
    "recommended that you use it for verifying a domain you found is really free.\nLabel3: Since both DNS and WHOIS "
    "will occasionally give false results you should always check with both before ordering a domain. DNS will in "
    "most cases be reliable.\nLabel4: Orlevan has an option to verify all domains found free with WHOIS (after the "
    "DNS checks complete). This can take a very long time if you have many free domains. This option is therefore "
    "default turned OFF.  You can turn it on in the options menu - but beware that each domain may take 2-5 seconds."
    "\nLabel5: You can always click on a domain and have Orlevan make a WHOIS lookup on it - this is the fastest way "
    "to make sure a domain is really free.\nLine1: ---\nOKButton: OK";

// The shell around the main window: tray icon, about box and its system-information program, notice, help.
class TestShell : public GuiSuite
{
    Q_OBJECT

    const QByteArray m_searchPath = qgetenv("PATH");

private Q_SLOTS:
    void cleanupTestCase() { qputenv("PATH", m_searchPath); }

    void notice()
    {
        const QDialog* notice = Forms::readme();
        QCOMPARE(textsOf(notice) + (notice->layout()->minimumSize().width() > notice->width() ? "\ncut off" : ""),
                 Notice);
        // Of a fixed size, and Enter closes it.
        QVERIFY(notice->minimumSize() == notice->maximumSize() && notice->findChild<QPushButton*>()->isDefault());
    }

    void trayIcon()
    {
        frmTrayIcon* tray = Forms::trayIcon();
        tray->Update(false);
        tray->Update(true);
        tray->Update(true);
        QObject owner;
        int restored = 0;
        connect(tray, &frmTrayIcon::restoreRequested, &owner, [&] {
            if (++restored == 1)
                tray->Form_MouseMove(QSystemTrayIcon::DoubleClick); // the owner is still busy: dropped
        });
        tray->Form_MouseMove(QSystemTrayIcon::DoubleClick); // no owner yet
        tray->SetCallback(&owner);
        for (auto reason : {QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick, QSystemTrayIcon::Context,
                            QSystemTrayIcon::MiddleClick})
            m_desktop->trayCalls.constLast().record.activated(reason);
        tray->mnuRestore->trigger();
        tray->Update(false);
        QCOMPARE(restored, 2);
        QList<int> commands;
        for (const TestDesktop::TrayCall& call : m_desktop->trayCalls)
            commands.append(call.command);
        QCOMPARE(commands, QList<int>({TestDesktop::TrayAdd, TestDesktop::TrayModify, TestDesktop::TrayDelete}));
    }

    void keyValue()
    {
        SysInfo::KeyStore store;
        store.setValue(u"k"_s, u"text"_s, {1, QByteArray("/bin/si\0", 8)}); // with its NUL
        store.setValue(u"k"_s, u"number"_s, {4, QByteArray("\x05\x01\0\0", 4)});
        QString text = u"old"_s, number = u"old"_s; // a number is appended
        QVERIFY(SysInfo::GetKeyValue(store, u"k"_s, u"text"_s, text));
        QVERIFY(SysInfo::GetKeyValue(store, u"k"_s, u"number"_s, number));
        QCOMPARE(text + '|' + number, u"/bin/si|old&h105"_s);
    }

    // The program's own dialogs have no parent, yet open centred over the window they were asked from.
    void dialogOverItsWindow()
    {
        QWidget owner;
        owner.setGeometry(60, 40, 500, 300);
        owner.show();
        QVERIFY(QTest::qWaitForWindowActive(&owner));
        QDialog dialog; // sized by its contents, not yet when it is placed
        (new QVBoxLayout(&dialog))->addWidget(new QLabel(u"A line to read"_s));
        const auto placed = [&] {
            QRect place;
            QTimer::singleShot(0, &dialog, [&] {
                place = dialog.frameGeometry();
                dialog.accept();
            });
            m_desktop->DesktopPlatform::runModal(&dialog);
            return place;
        };
        QVERIFY((placed().center() - owner.frameGeometry().center()).manhattanLength() <= 4); // rounding
        // Over a small window in the screen's corner it stays on the screen.
        const QPoint corner = owner.screen()->availableGeometry().topLeft();
        owner.setGeometry(QRect(corner, QSize(20, 10)));
        QTRY_COMPARE(owner.size(), QSize(20, 10));
        owner.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&owner));
        QCOMPARE(placed().topLeft(), corner);
    }

    void sysInfo_data()
    {
        QTest::addColumn<QStringList>("installed"); // a "-" in front: not executable
        QTest::addColumn<bool>("starts");
        QTest::addColumn<QStringList>("started"); // program name, then its arguments; none: the message
        QTest::newRow("not a program") << QStringList{u"-hardinfo"_s} << true << QStringList{};
        QTest::newRow("cannot be started") << QStringList{u"hardinfo"_s} << false << QStringList{};
        QTest::newRow("hardinfo2 first") << QStringList{u"hardinfo"_s, u"hardinfo2"_s} << true
                                         << QStringList{u"hardinfo2"_s};
        QTest::newRow("details page, with its argument") << QStringList{u"lxtask"_s, u"gnome-control-center"_s} << true
                                                         << QStringList{u"gnome-control-center"_s, u"info-overview"_s};
    }
    void sysInfo()
    {
        QFETCH(QStringList, installed);
        QFETCH(QStringList, started);
        for (const QString& name : installed) {
            const QString path = m_dir.filePath(name.startsWith('-') ? name.mid(1) : name);
            QVERIFY(writeFile(path, {}) &&
                    QFile::setPermissions(path, name.startsWith('-') ? QFile::ReadOwner
                                                                     : QFile::ReadOwner | QFile::ExeOwner));
        }
        qputenv("PATH", QFile::encodeName(m_dir.path()));
        QFETCH(bool, starts);
        m_desktop->startResult = starts;
        frmAbout* about = Forms::about();
        QCOMPARE(
            textsOf(about).section('\n', 0, -2) + (about->Picture1->pixmap().isNull() ? " no logo" : ""),
            "About Orlevan\nLabel1: Orlevan by Brennmoor. The premier tool for checking Internet Domains.\nLabel2: "
            "Go to <a href=\"http://www.brennmoor.net\">http://www.brennmoor.net</a> to download the newest version "
            "of Orlevan or update files for this one.\nLine1_0: ---\nLine1_1: ---\ncmdOK: OK\ncmdSysInfo: &System "
            "Info...\nlblTitle: *Orlevan*"); // then the version
        about->show();
        QCOMPARE(about->cmdSysInfo->x() - about->cmdOK->geometry().right() - 1, 10); // the buttons apart
        about->cmdSysInfo->click();
        if (!started.isEmpty())
            started.first() = m_dir.filePath(started.first());
        QCOMPARE(m_desktop->texts().isEmpty(), !started.isEmpty() && m_desktop->startResult);
        if (m_desktop->startResult)
            QCOMPARE(m_desktop->startedPrograms,
                     started.isEmpty() ? QList<QStringList>{} : QList<QStringList>{started});
    }

    // F1 opens the help as shipped at the page of the window in front; Back goes back; web addresses go to the
    // browser.
    void help()
    {
        Environment::current().programFolder = ORLEVAN_SOURCE_DIR "/data";
        frmHelp* help = nullptr;
        const QList<QPair<QWidget*, QString>> windows{{Forms::main(), "Typing names"},
                                                      {Forms::options(), "DNS settings"},
                                                      {Forms::whois(), "WHOIS"},
                                                      {Forms::domains(), "Choosing the top-level domains"},
                                                      {Forms::about(), "What Orlevan does"}};
        for (const auto& [window, title] : windows) {
            window->show();
            QVERIFY(QTest::qWaitForWindowActive(window));
            QTest::keyClick(window, Qt::Key_F1);
            QCOMPARE((help = modHTMLHelp::helpWindowIfLoaded()) && help->isVisible() ? help->windowTitle() : "", title);
        }
        Q_EMIT help->helpBrowser->anchorClicked(QUrl("https://www.example.net/"));
        QCOMPARE(m_desktop->openedUrls, QStringList{"https://www.example.net/"});
        // Through the window system, which keeps the clicks of a window blocked by the modal about box from it.
        QTest::mouseClick(help->windowHandle(), Qt::LeftButton, {},
                          help->cmdBack->mapTo(help, help->cmdBack->rect().center()));
        QCOMPARE(help->windowTitle() + ": " + help->helpBrowser->source().fileName(), "Orlevan Help: index.html");
        Q_EMIT help->helpBrowser->anchorClicked(QUrl("whois.html")); // a page of the help stays in the help
        QCOMPARE(help->helpBrowser->source().fileName(), QStringLiteral("whois.html"));
    }
};

QTEST_MAIN(TestShell)
#include "tst_shell_gui.moc"
