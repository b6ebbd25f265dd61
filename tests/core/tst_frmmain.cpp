#include "core/AppInfo.h"
#include "core/Forms.h"
#include "core/Utils.h"
#include "core/frmMain.h"
#include "dialogs/frmOptions.h"
#include "results/frmResults.h"
#include "support/TestPlatform.h"
#include "whois/frmWhois.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using Utils::AppSettings;

class TestFrmMain : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    TestPlatform* m_platform = nullptr;

    frmMain* startProgram()
    {
        frmMain* window = Forms::main();
        if (!window->Form_Load())
            return nullptr;
        window->show();
        window->activateWindow();
        return window;
    }
    QString stored(const QString& key)
    {
        return QSettings(Utils::SettingsFile, QSettings::IniFormat).value(key).toString();
    }
    QStringList menuCaptions(const QList<QAction*>& actions, const QString& indent = QString())
    {
        QStringList out;
        for (QAction* action : actions) {
            if (action->isSeparator()) {
                out << indent + "-";
                continue;
            }
            QString line = indent + action->text();
            if (!action->shortcut().isEmpty())
                line += " [" + action->shortcut().toString() + "]";
            out << line;
            if (action->menu())
                out << menuCaptions(action->menu()->actions(), indent + "  ");
        }
        return out;
    }

private Q_SLOTS:
    void init()
    {
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
        m_platform = new TestPlatform;
        resetProgramState(m_dir.path());
        QDir().mkpath(Utils::ProgramFolder + "/help");
        QFile help(Utils::ProgramFolder + "/help/index.html");
        QVERIFY(help.open(QIODevice::WriteOnly));
        writeDataFile(Utils::ProgramFolder + "/orvtab.dll", {"int;Treaties;;", "com;Commercial;http://c"});
    }
    void cleanup()
    {
        Forms::destroyAll();
        delete m_platform;
        m_platform = nullptr;
    }

    void startUpShowsTheFirstRunDialogsThenTheWindow()
    {
        frmMain* window = startProgram();
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), QStringLiteral("Orlevan 1.2 from Brennmoor"));
        QCOMPARE(m_platform->modalTitles, (QStringList{"Important information!", "DNS Options"}));
        QVERIFY(window->checkmode[0]->isChecked());
        QVERIFY(!window->mnuConfirmWhois->isChecked());
        QVERIFY(!window->mnuSysTray->isChecked());
        QVERIFY(!Utils::CheckRunning);
    }

    void laterStartFollowsTheStore()
    {
        QSettings store(Utils::SettingsFile, QSettings::IniFormat);
        store.setValue("main/init", "False");
        store.setValue("main/ConfirmWhois", "True");
        store.sync();
        frmMain* window = startProgram();
        QVERIFY(window);
        QVERIFY(m_platform->modalTitles.isEmpty());
        QVERIFY(window->mnuConfirmWhois->isChecked());
        QVERIFY(window->mnuSysTray->isChecked()); // absent key reads as True
        window->checkmode[1]->setChecked(true);
        Forms::destroyAll();
        QVERIFY(Forms::main()->Form_Load());
        QVERIFY(Forms::main()->checkmode[0]->isChecked());
    }

    void missingDataFileEndsStartUp()
    {
        QFile::remove(Utils::ProgramFolder + "/orvtab.dll");
        QVERIFY(!Forms::main()->Form_Load());
        QCOMPARE(m_platform->messages.size(), 1);
        QCOMPARE(m_platform->messages.first().caption, QStringLiteral("Orlevan load error."));
        QVERIFY(m_platform->modalTitles.isEmpty());
        QVERIFY(!QFile::exists(Utils::SettingsFile));
    }

    void menuTree()
    {
        frmMain* window = startProgram();
        QVERIFY(window);
        const QStringList expected = {
            "&File ",
            "  E&xit [Ctrl+X]",
            "&Options",
            "  Confirm domains with WHOIS",
            "  Minimize to System &Tray",
            "  -",
            "  DNS &Settings",
            "  D&omains to search",
            "&Tools",
            "  &Whois Lookup",
            "  &Useful Websites",
            "    gTLD-&Mou (Top Level Domains)",
            "    &ISOC (The Internet Society)",
            "    IE&TF (Internet Engineering Taskforce)",
            "    IA&NA (Internet Assigned Numbers Authority)",
            "    -",
            "    &ARIN (US && South Africa Whois)",
            "    RIP&E (European Whois)",
            "    A&PNIC (Asia-Pacific Whois)",
            "&Help",
            "  &Help Contents",
            "  -",
            "  Orlevan &homepage",
            "  &About Orlevan",
        };
        QCOMPARE(menuCaptions(window->menuBar()->actions()), expected);
        for (const char* name : {"mnuFile", "mnuOptions", "mnuTools", "mnuSites", "mnuHelp"})
            QVERIFY2(window->findChild<QMenu*>(name), name);
        QCOMPARE(window->names->toolTip(), QStringLiteral("Enter name or names to check"));
        QCOMPARE(window->checkmode[0]->text(), QStringLiteral("Check Seperately"));
        QCOMPARE(window->checkmode[1]->text(), QStringLiteral("Check Combinations"));
        QCOMPARE(window->activate->text(), QStringLiteral("Check"));
        QCOMPARE(window->activate->nextInFocusChain(), window->names);
    }

    void webSites()
    {
        frmMain* window = startProgram();
        QVERIFY(window);
        QStringList expected;
        for (const auto& site : frmMain::UsefulWebsites) {
            window->findChild<QAction*>(site.objectName)->trigger();
            expected << QString::fromLatin1(site.address);
        }
        window->mnuHomepage->trigger();
        expected << AppInfo::HomePage;
        QCOMPARE(m_platform->openedUrls, expected);
        QCOMPARE(m_platform->openedUrls.first(), QStringLiteral("http://www.gtld-mou.org"));
    }

    void confirmWhoisAsksOnlyWhenSwitchingOn()
    {
        frmMain* window = startProgram();
        QVERIFY(window);
        m_platform->messages.clear();
        m_platform->answers = {Platform::AnswerNo};
        window->mnuConfirmWhois->trigger();
        QVERIFY(!window->mnuConfirmWhois->isChecked());
        QVERIFY(!AppSettings.ConfirmWhois);
        QCOMPARE(stored("main/ConfirmWhois"), QStringLiteral("False"));
        QCOMPARE(m_platform->messages.size(), 1);
        QCOMPARE(m_platform->messages.first().text, QStringLiteral("Warning : This may take a very long time\r\nif "
                                                                   "you check many domains!\r\nAre you sure you "
                                                                   "want to do this?"));
        QCOMPARE(m_platform->messages.first().caption, QStringLiteral("WHOIS-lookup of all free domains"));
        QCOMPARE(m_platform->messages.first().buttons, Platform::YesNo);
        QCOMPARE(m_platform->messages.first().icon, Platform::NoIcon);

        m_platform->answers = {Platform::AnswerYes};
        window->mnuConfirmWhois->trigger();
        QVERIFY(window->mnuConfirmWhois->isChecked());
        QCOMPARE(stored("main/ConfirmWhois"), QStringLiteral("True"));

        window->mnuConfirmWhois->trigger();
        QCOMPARE(m_platform->messages.size(), 2);
        QVERIFY(!window->mnuConfirmWhois->isChecked());
        QCOMPARE(stored("main/ConfirmWhois"), QStringLiteral("False"));
    }

    void trayToggleWritesEverySetting()
    {
        frmMain* window = startProgram();
        QVERIFY(window);
        QFile::remove(Utils::SettingsFile);
        AppSettings.Retries = 6;
        window->mnuSysTray->trigger();
        QVERIFY(AppSettings.SysTrayMinimize);
        QSettings store(Utils::SettingsFile, QSettings::IniFormat);
        store.beginGroup("main");
        QCOMPARE(store.childKeys().size(), 6);
        QCOMPARE(store.value("SysTrayMinimize").toString(), QStringLiteral("True"));
        QCOMPARE(store.value("retries").toString(), QStringLiteral("6"));
    }

    void checkHandsTheNamesToTheResults()
    {
        frmMain* window = startProgram();
        QVERIFY(window);
        window->checkmode[1]->setChecked(true);
        window->names->setText(" ab ,cd ");
        window->activate->click();
        QCOMPARE(Utils::CheckCount, qint16(4));
        QCOMPARE(Utils::CheckList[1], QStringLiteral("abcd"));
        QCOMPARE(Utils::CheckList[2], QStringLiteral("cdab"));
        QVERIFY(Utils::BareNames);
        QVERIFY(Forms::resultsIfLoaded());
        QVERIFY(Forms::resultsIfLoaded()->isVisible());
        QCOMPARE(Forms::resultsIfLoaded()->windowTitle(), QStringLiteral("Orlevan results"));
        QCOMPARE(window->names->text(), QStringLiteral(" ab ,cd "));
    }

    void refusedChecks()
    {
        frmMain* window = startProgram();
        QVERIFY(window);
        m_platform->messages.clear();
        Utils::BareNames = true;
        window->names->setText("good bad_name");
        window->activate->click();
        QCOMPARE(m_platform->messages.size(), 1);
        QCOMPARE(m_platform->messages.first().caption, QStringLiteral("Orlevan - Illegal characters used"));
        QCOMPARE(m_platform->messages.first().icon, Platform::NoIcon);
        QCOMPARE(Utils::CheckCount, qint16(0));
        QVERIFY(Utils::BareNames);
        QVERIFY(!Forms::resultsIfLoaded());

        QStringList many;
        for (int i = 0; i < 46; ++i)
            many << QStringLiteral("n%1").arg(i);
        window->checkmode[1]->setChecked(true);
        window->names->setText(many.join(' '));
        window->activate->click();
        QCOMPARE(m_platform->messages.size(), 2);
        QVERIFY(m_platform->messages.last().text.contains("2116"));
        QCOMPARE(Utils::CheckCount, qint16(0));
        QVERIFY(!Forms::resultsIfLoaded());

        window->names->setText("   ");
        window->activate->click();
        QCOMPARE(m_platform->messages.size(), 2);
        QVERIFY(!Forms::resultsIfLoaded());
    }

    void enterAnywherePressesCheck()
    {
        frmMain* window = startProgram();
        QVERIFY(window);
        QVERIFY(QTest::qWaitForWindowActive(window));
        window->names->setText("abc");
        window->checkmode[1]->setFocus();
        QTest::keyClick(window->checkmode[1], Qt::Key_Return);
        QCOMPARE(Utils::CheckCount, qint16(1));
        Forms::results()->close();
        window->names->setFocus();
        window->names->setText("abc def");
        QTest::keyClick(window->names, Qt::Key_Enter);
        QCOMPARE(Utils::CheckCount, qint16(2));
    }

    void ctrlXCutsInTheNameBox()
    {
        frmMain* window = startProgram();
        QVERIFY(window);
        QVERIFY(QTest::qWaitForWindowActive(window));
        window->names->setText("keep these names");
        window->names->setFocus();
        window->names->selectAll();
        QTest::keyClick(window->names, Qt::Key_X, Qt::ControlModifier);
        QVERIFY(m_platform->quits.isEmpty());
        QVERIFY(window->names->text().isEmpty());

        window->activate->setFocus();
        QTest::keyClick(window->activate, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(m_platform->quits, QList<int>{0});
    }

    void menuWindows()
    {
        frmMain* window = startProgram();
        QVERIFY(window);
        m_platform->modalTitles.clear();
        AppSettings.QueryDelay = 77;
        window->mnuServer->trigger();
        QCOMPARE(stored("main/delay"), QStringLiteral("77"));
        QVERIFY(Forms::optionsIfLoaded() && Forms::optionsIfLoaded()->isVisible());
        window->mnuServer->trigger();
        const auto windows = QApplication::topLevelWidgets();
        QCOMPARE(std::count_if(windows.begin(), windows.end(),
                               [](QWidget* w) { return qobject_cast<frmOptions*>(w) != nullptr; }),
                 1);
        window->mnuWhois->trigger();
        QVERIFY(Forms::whoisIfLoaded() && Forms::whoisIfLoaded()->isVisible());
        window->mnuDomains->trigger();
        window->mnuAbout->trigger();
        QCOMPARE(m_platform->modalTitles, (QStringList{"Domains to search", "About Orlevan"}));
    }

    void closingTheMainWindowEndsTheProgram()
    {
        frmMain* window = startProgram();
        QVERIFY(window);
        Forms::whois()->show();
        window->close();
        QCOMPARE(m_platform->quits, QList<int>{0});
        QVERIFY(!window->isVisible());
    }
};

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
