#include "core/AppInfo.h"
#include "core/Candidates.h"
#include "core/Forms.h"
#include "core/Utils.h"
#include "core/frmMain.h"
#include "dialogs/frmDomains.h"
#include "dialogs/frmOptions.h"
#include "results/frmResults.h"
#include "support/TestPlatform.h"
#include "whois/frmWhois.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using Utils::AppSettings;

namespace {
void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QString stored(const QString& key)
{
    return QSettings(Utils::SettingsFile, QSettings::IniFormat).value(key).toString();
}

// "section/key=value" pairs separated by blanks.
void store(const QString& pairs)
{
    QSettings settings(Utils::SettingsFile, QSettings::IniFormat);
    for (const QString& pair : pairs.split(' '))
        settings.setValue(pair.section('=', 0, 0), pair.section('=', 1));
}

// The whole store in the same form, keys sorted.
QString storeContents()
{
    QSettings settings(Utils::SettingsFile, QSettings::IniFormat);
    QStringList out;
    for (const QString& key : settings.allKeys())
        out << key + '=' + settings.value(key).toString();
    out.sort();
    return out.join(' ');
}

QStringList menuCaptions(const QList<QAction*>& actions, const QString& indent = QString())
{
    QStringList out;
    for (QAction* action : actions) {
        QString line = indent + (action->isSeparator() ? QStringLiteral("-") : action->text());
        if (!action->shortcut().isEmpty())
            line += " [" + action->shortcut().toString() + "]";
        out << line;
        if (action->menu())
            out << menuCaptions(action->menu()->actions(), indent + "  ");
    }
    return out;
}
} // namespace

// The settings store, start-up and the main window.
class TestStartUp : public QObject
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

private Q_SLOTS:
    void init()
    {
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
        m_platform = new TestPlatform;
        resetProgramState(m_dir.path());
        writeFile(Utils::ProgramFolder + "/help/index.html", "<html></html>");
        writeDataFile(Utils::ProgramFolder + "/orvtab.dll",
                      {"int;Treaties;http://i;;whois.i", "com;Commercial;http://c", "uk;Kingdom;http://u;co:org"});
        writeFile(Utils::ResolvConfPath, "# generated\nsearch example\nnameserver fe80::1%eth0\nnameserver 10.0.0.1\n");
    }
    void cleanup()
    {
        Forms::destroyAll();
        delete m_platform;
        m_platform = nullptr;
    }

    // Switches take True/False in any case or a number (0 is False); anything else reads as the default, True.
    void switchTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("value");
        QTest::newRow("True") << "True" << true;
        QTest::newRow("any case") << "fALSE" << false;
        QTest::newRow("zero") << "0" << false;
        QTest::newRow("minus one") << "-1" << true;
        QTest::newRow("fraction") << "0.5" << true;
        QTest::newRow("blanks") << " 0 " << false;
        QTest::newRow("huge") << "99999999999999999999999" << true;
        QTest::newRow("word") << "no" << true;
        QTest::newRow("empty") << "" << true;
        QTest::newRow("infinity") << "inf" << true;
    }
    void switchTexts()
    {
        QFETCH(QString, text);
        QFETCH(bool, value);
        QSettings(Utils::SettingsFile, QSettings::IniFormat).setValue("main/SysTrayMinimize", text);
        Utils::LoadSettings();
        QCOMPARE(AppSettings.SysTrayMinimize, value);
    }

    // The notice, then the DNS options, both seeing the defaults already stored; then the main window.
    void firstRun()
    {
        QStringList seenInStore;
        m_platform->onModal = [&](QDialog* dialog) {
            seenInStore << dialog->windowTitle() + ":" + stored("main/init") + ":" + stored("main/dns");
            return 0;
        };
        frmMain* window = startProgram();
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), QStringLiteral("Orlevan 1.2 from Brennmoor"));
        QCOMPARE(seenInStore,
                 (QStringList{"Important information!:False:fe80::1%eth0", "DNS Options:False:fe80::1%eth0"}));
        QVERIFY(m_platform->messages.isEmpty());

        QCOMPARE(storeContents(), QStringLiteral("domains/com=0 domains/int=0 domains/uk=0 main/CheckWithDashes=False "
                                                 "main/ConfirmWhois=False main/SysTrayMinimize=False main/delay=50 "
                                                 "main/dns=fe80::1%eth0 main/domains=default main/init=False "
                                                 "main/retries=3"));

        QVERIFY(window->checkmode[0]->isChecked());
        QVERIFY(!window->mnuConfirmWhois->isChecked() && !window->mnuSysTray->isChecked());
        QCOMPARE(Utils::DefaultDomains, (QStringList{"com", "net", "org", "us", "to", "tv", "tm", "nu"}));
        QCOMPARE(Forms::domains()->staticdomainlabel->text(), QStringLiteral(".com.net.org.us.to.tv.tm.nu"));
        QVERIFY(Forms::domains()->defaultdomains->isChecked() && Forms::domains()->isHidden());
    }

    void firstRunWithoutHelp()
    {
        QFile::remove(Utils::ProgramFolder + "/help/index.html");
        Utils::InitApplication();
        QCOMPARE(m_platform->messages.size(), 1);
        QCOMPARE(m_platform->messages.first().text, QStringLiteral("HTMLhelp not installed"));
        QCOMPARE(m_platform->messages.first().icon, Platform::Critical);
        QCOMPARE(m_platform->messages.first().caption, QStringLiteral("Orlevan"));
        // Start-up goes on.
        QCOMPARE(m_platform->modalTitles.size(), 2);
        QCOMPARE(stored("main/init"), QStringLiteral("False"));
    }

    void firstRunNameServer_data()
    {
        QTest::addColumn<QByteArray>("resolvConf"); // empty: no file
        QTest::addColumn<QString>("server");
        QTest::newRow("no file") << QByteArray() << Utils::PlaceholderNameServer;
        QTest::newRow("comments and an empty entry")
            << QByteArray("; nameserver 1.2.3.4\n#nameserver 5.6.7.8\nnameserver\n") << Utils::PlaceholderNameServer;
        QTest::newRow("blanks and a comment after")
            << QByteArray("  nameserver   192.0.2.53   # office\n") << "192.0.2.53";
    }
    void firstRunNameServer()
    {
        QFETCH(QByteArray, resolvConf);
        QFETCH(QString, server);
        QFile::remove(Utils::ResolvConfPath);
        if (!resolvConf.isEmpty())
            writeFile(Utils::ResolvConfPath, resolvConf);
        Utils::InitApplication();
        QCOMPARE(AppSettings.NameServer, server);
    }

    void laterStartReadsEverythingBack()
    {
        store("main/init=False main/dns=ns.example.net main/retries=7 main/delay=200 main/ConfirmWhois=true "
              "domains/uk=1");
        frmMain* window = startProgram();
        QVERIFY(window);
        QVERIFY(m_platform->modalTitles.isEmpty());
        QCOMPARE(AppSettings.NameServer, QStringLiteral("ns.example.net"));
        QCOMPARE(AppSettings.Retries, quint8(7));
        QCOMPARE(AppSettings.QueryDelay, qint16(200));
        QVERIFY(window->mnuConfirmWhois->isChecked());
        QVERIFY(window->mnuSysTray->isChecked()); // absent reads as True
        QCOMPARE(Utils::DomainTable[2].Selected, quint8(1));
        QCOMPARE(Utils::DomainTable[1].Selected, quint8(0));
        // The check mode is not remembered.
        window->checkmode[1]->setChecked(true);
        Forms::destroyAll();
        QVERIFY(Forms::main()->Form_Load());
        QVERIFY(Forms::main()->checkmode[0]->isChecked());
    }

    void damagedValuesReadAsDefaults_data()
    {
        QTest::addColumn<QString>("setting");
        for (const char* setting : {"retries=many", "retries=300", "retries=0", "retries=11", "delay=4", "delay=1001",
                                    "delay=-50", "delay=50.5", "delay=70000"})
            QTest::newRow(setting) << QString::fromLatin1(setting);
    }
    void damagedValuesReadAsDefaults()
    {
        QFETCH(QString, setting);
        store("main/" + setting);
        Utils::LoadSettings();
        QCOMPARE(AppSettings.Retries, Utils::DefaultRetries);
        QCOMPARE(AppSettings.QueryDelay, Utils::DefaultQueryDelay);
    }

    void damagedSwitchesAndSelection()
    {
        QVERIFY(Utils::LoadDomainTable());
        store("main/retries=10 main/delay=5 main/ConfirmWhois=maybe domains/int=7 domains/com=junk");
        Utils::LoadSettings();
        Utils::LoadDomainSelection();
        QCOMPARE(AppSettings.Retries, quint8(10));
        QCOMPARE(AppSettings.QueryDelay, qint16(5));
        QVERIFY(!AppSettings.ConfirmWhois);
        QCOMPARE(Utils::DomainTable[0].Selected, quint8(1));
        QCOMPARE(Utils::DomainTable[1].Selected, quint8(0));
        QCOMPARE(AppSettings.NameServer, Utils::RootNameServer);
        // A comma in a value survives the store.
        AppSettings.NameServer = QStringLiteral("a,b");
        Utils::SaveSettings();
        Utils::LoadSettings();
        QCOMPARE(AppSettings.NameServer, QStringLiteral("a,b"));
    }

    void unreadableStoreIsNeverOverwritten()
    {
        // A folder where the file should be cannot be read, even by root.
        QVERIFY(QDir().mkpath(Utils::SettingsFile));
        QVERIFY(Utils::LoadDomainTable());
        Utils::InitApplication();
        QCOMPARE(m_platform->messages.size(), 1);
        QVERIFY(m_platform->messages.first().text.contains(QDir::toNativeSeparators(Utils::SettingsFile)));
        QVERIFY(m_platform->modalTitles.isEmpty()); // not a first run
        QCOMPARE(AppSettings.NameServer, Utils::RootNameServer);
        QCOMPARE(AppSettings.Retries, Utils::DefaultRetries);
        QCOMPARE(AppSettings.SysTrayMinimize, true);

        AppSettings.Retries = 9;
        Utils::SaveSettings();
        Utils::SaveDomainSelection();
        Utils::SaveSetting("main", "domains", "user");
        QVERIFY(QFileInfo(Utils::SettingsFile).isDir());
        QVERIFY(QDir(Utils::SettingsFile).isEmpty());
    }

    void missingDataFileEndsStartUp()
    {
        QFile::remove(Utils::ProgramFolder + "/orvtab.dll");
        QVERIFY(!Forms::main()->Form_Load());
        QCOMPARE(m_platform->messages.size(), 1);
        const auto& message = m_platform->messages.first();
        QCOMPARE(message.text, "Cannot find orvtab.dll\rMake sure this file is in your Orlevan directory.\r" +
                                   QDir::toNativeSeparators(Utils::ProgramFolder));
        QCOMPARE(message.caption, QStringLiteral("Orlevan load error."));
        QCOMPARE(message.icon, Platform::Critical);
        QVERIFY(m_platform->modalTitles.isEmpty());
        QVERIFY(!QFile::exists(Utils::SettingsFile));
    }

    void menuTree()
    {
        frmMain* window = startProgram();
        QVERIFY(window);
        QCOMPARE(
            menuCaptions(window->menuBar()->actions()).join('|'),
            QStringLiteral("&File |  E&xit [Ctrl+X]|&Options|  Confirm domains with WHOIS|  Minimize to System &Tray|"
                           "  -|  DNS &Settings|  D&omains to search|&Tools|  &Whois Lookup|  &Useful Websites|"
                           "    gTLD-&Mou (Top Level Domains)|    &ISOC (The Internet Society)|"
                           "    IE&TF (Internet Engineering Taskforce)|"
                           "    IA&NA (Internet Assigned Numbers Authority)|    -|"
                           "    &ARIN (US && South Africa Whois)|    RIP&E (European Whois)|"
                           "    A&PNIC (Asia-Pacific Whois)|&Help|  &Help Contents|  -|  Orlevan &homepage|"
                           "  &About Orlevan"));
        QCOMPARE(window->names->toolTip(), QStringLiteral("Enter name or names to check"));
        QCOMPARE(window->checkmode[0]->text(), QStringLiteral("Check Seperately"));
        QCOMPARE(window->checkmode[1]->text(), QStringLiteral("Check Combinations"));
        QCOMPARE(window->activate->text(), QStringLiteral("Check"));
        QCOMPARE(window->activate->nextInFocusChain(), window->names);

        QStringList expectedUrls;
        for (const auto& site : frmMain::UsefulWebsites) {
            window->findChild<QAction*>(site.objectName)->trigger();
            expectedUrls << QString::fromLatin1(site.address);
        }
        window->mnuHomepage->trigger();
        QCOMPARE(m_platform->openedUrls, expectedUrls << AppInfo::HomePage);
        QCOMPARE(m_platform->openedUrls.first(), QStringLiteral("http://www.gtld-mou.org"));
    }

    void confirmWhoisAsksOnlyWhenSwitchingOn()
    {
        frmMain* window = startProgram();
        QVERIFY(window);
        m_platform->answers = {Platform::AnswerNo, Platform::AnswerYes};
        window->mnuConfirmWhois->trigger();
        QVERIFY(!window->mnuConfirmWhois->isChecked() && !AppSettings.ConfirmWhois);
        QCOMPARE(stored("main/ConfirmWhois"), QStringLiteral("False"));
        QCOMPARE(m_platform->messages.size(), 1);
        const auto& message = m_platform->messages.first();
        QCOMPARE(message.text, QStringLiteral("Warning : This may take a very long time\r\nif you check many "
                                              "domains!\r\nAre you sure you want to do this?"));
        QCOMPARE(message.caption, QStringLiteral("WHOIS-lookup of all free domains"));
        QCOMPARE(message.buttons, Platform::YesNo);
        QCOMPARE(message.icon, Platform::NoIcon);

        window->mnuConfirmWhois->trigger();
        QVERIFY(window->mnuConfirmWhois->isChecked());
        QCOMPARE(stored("main/ConfirmWhois"), QStringLiteral("True"));
        window->mnuConfirmWhois->trigger();
        QCOMPARE(m_platform->messages.size(), 2);
        QCOMPARE(stored("main/ConfirmWhois"), QStringLiteral("False"));

        // The tray switch stores every setting, not only its own.
        QFile::remove(Utils::SettingsFile);
        AppSettings.Retries = 6;
        window->mnuSysTray->trigger();
        QCOMPARE(storeContents(), QStringLiteral("main/CheckWithDashes=False main/ConfirmWhois=False "
                                                 "main/SysTrayMinimize=True main/delay=50 main/dns=fe80::1%eth0 "
                                                 "main/retries=6"));
    }

    void check_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("list"); // empty: refused
        QTest::addColumn<QString>("message");  // a part of the message; empty: none
        QStringList many;
        for (int i = 0; i < 46; ++i)
            many << QStringLiteral("n%1").arg(i);
        QTest::newRow("combined") << " ab ,cd " << QStringList{"ab", "abcd", "cdab", "cd"} << "";
        QTest::newRow("illegal")
            << "good bad_name" << QStringList()
            << "Illegal characters encountered\rOnly characters allowed are letters, numbers and -";
        QTest::newRow("too many") << many.join(' ') << QStringList() << "2116";
        QTest::newRow("blanks") << "   " << QStringList() << "";
    }
    void check()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, list);
        QFETCH(QString, message);
        frmMain* window = startProgram();
        QVERIFY(window);
        Utils::BareNames = true;
        window->checkmode[1]->setChecked(true);
        window->names->setText(typed);
        window->activate->click();
        QCOMPARE(m_platform->messages.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QVERIFY(m_platform->messages.first().text.contains(message));
        if (typed.contains('_'))
            QCOMPARE(m_platform->messages.first().caption, QStringLiteral("Orlevan - Illegal characters used"));
        QStringList checked;
        for (int i = 0; i < Utils::CheckCount; ++i)
            checked << Utils::CheckList[i];
        QCOMPARE(checked, list);
        QVERIFY(Utils::BareNames);
        QCOMPARE(Forms::resultsIfLoaded() && Forms::resultsIfLoaded()->isVisible(), !list.isEmpty());
        QCOMPARE(window->names->text(), typed);
    }

    void enterAnywhereAndCtrlX()
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

        // Ctrl+X cuts in the name box and ends the program elsewhere.
        window->names->selectAll();
        QTest::keyClick(window->names, Qt::Key_X, Qt::ControlModifier);
        QVERIFY(m_platform->quits.isEmpty());
        QVERIFY(window->names->text().isEmpty());
        window->activate->setFocus();
        QTest::keyClick(window->activate, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(m_platform->quits, QList<int>{0});
    }

    void menuWindowsAndClosing()
    {
        frmMain* window = startProgram();
        QVERIFY(window);
        m_platform->modalTitles.clear();
        AppSettings.QueryDelay = 77;
        window->mnuServer->trigger();
        QCOMPARE(stored("main/delay"), QStringLiteral("77"));
        window->mnuServer->trigger();
        const auto windows = QApplication::topLevelWidgets();
        QCOMPARE(std::count_if(windows.begin(), windows.end(),
                               [](QWidget* w) { return qobject_cast<frmOptions*>(w) && w->isVisible(); }),
                 1);
        window->mnuWhois->trigger();
        QVERIFY(Forms::whoisIfLoaded() && Forms::whoisIfLoaded()->isVisible());
        window->mnuDomains->trigger();
        window->mnuAbout->trigger();
        QCOMPARE(m_platform->modalTitles, (QStringList{"Domains to search", "About Orlevan"}));
        window->close();
        QCOMPARE(m_platform->quits, QList<int>{0});
    }
};

QTEST_MAIN(TestStartUp)
#include "tst_startup.moc"
