#include "app/Forms.h"
#include "core/Utils.h"
#include "shell/SysInfo.h"
#include "shell/frmAbout.h"
#include "shell/frmHelp.h"
#include "shell/frmTrayIcon.h"
#include "shell/modHTMLHelp.h"
#include "support/gui/GuiSuite.h"

using namespace Qt::StringLiterals;

// The shell around the main window: tray icon, about box and its system-information program, notice, help.
class TestShell : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::optional<TestDesktop> m_desktop;
    const QByteArray m_searchPath = qgetenv("PATH");

private Q_SLOTS:
    void init()
    {
        resetAll(m_dir.path());
        m_desktop.emplace();
    }
    void cleanup() { qputenv("PATH", m_searchPath); }

    void trayIcon()
    {
        frmTrayIcon* tray = Forms::trayIcon();
        tray->Update(false);
        tray->Update(true);
        tray->Update(true);
        QObject owner;
        QList<int> got;
        tray->SetCallback(&owner, [&](qint32& msg) {
            got.append(msg);
            if (msg == 0x206)
                tray->Form_MouseMove(0x201); // the owner is still busy: dropped
        });
        for (int code : {0x200, 0x206, 0x207})
            tray->Form_MouseMove(code);
        for (auto reason : {QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick, QSystemTrayIcon::Context})
            m_desktop->trayCalls.constLast().record.activated(reason);
        tray->mnuRestore->trigger();
        tray->Update(false);
        QCOMPARE(got, QList<int>({0x206, 0x202, 0x203, 0x205, 0x203}));
        QList<int> commands;
        for (const TestDesktop::TrayCall& call : m_desktop->trayCalls)
            commands.append(call.command);
        QCOMPARE(commands, QList<int>({TestDesktop::TrayAdd, TestDesktop::TrayModify, TestDesktop::TrayDelete}));
    }

    void keyValue_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("keyVal"); // read over "old"
        QTest::newRow("string with its NUL") << 1 << QByteArray("/bin/si\0", 8) << u"/bin/si"_s;
        QTest::newRow("string without") << 1 << QByteArray("/bin/si") << u"/bin/si"_s;
        QTest::newRow("number appended") << 4 << QByteArray("\x05\x01\0\0", 4) << u"old&h105"_s;
    }
    void keyValue()
    {
        QFETCH(int, type);
        QFETCH(QByteArray, data);
        QFETCH(QString, keyVal);
        SysInfo::KeyStore store;
        store.setValue(u"k"_s, u"v"_s, {quint32(type), data});
        QString value = u"old"_s;
        QVERIFY(SysInfo::GetKeyValue(store, u"k"_s, u"v"_s, value));
        QCOMPARE(value, keyVal);
    }

    void sysInfo()
    {
        QFile program(m_dir.filePath(u"hardinfo"_s));
        QVERIFY(program.open(QIODevice::WriteOnly));
        qputenv("PATH", QFile::encodeName(m_dir.path()));
        frmAbout* about = Forms::about();
        QCOMPARE(about->windowTitle() + '|' + about->lblVersion->text(), u"About Orlevan|Version 1.2.24"_s);
        about->cmdSysInfo->click(); // not executable: not a program
        QVERIFY(program.setPermissions(program.permissions() | QFile::ExeOwner));
        about->cmdSysInfo->click();
        m_desktop->startResult = false;
        about->cmdSysInfo->click();
        QCOMPARE(m_desktop->texts(), QStringList(2, u"System Information Is Unavailable At This Time"_s));
        QCOMPARE(m_desktop->startedPrograms, QList<QStringList>(2, {program.fileName()}));
    }

    void sysInfoChoice_data()
    {
        QTest::addColumn<QStringList>("installed");
        QTest::addColumn<QStringList>("started"); // program name, then its arguments
        QTest::newRow("hardinfo2 first") << QStringList{u"hardinfo"_s, u"hardinfo2"_s} << QStringList{u"hardinfo2"_s};
        QTest::newRow("details page, with its argument") << QStringList{u"lxtask"_s, u"gnome-control-center"_s}
                                                         << QStringList{u"gnome-control-center"_s, u"info-overview"_s};
    }
    void sysInfoChoice()
    {
        QFETCH(QStringList, installed);
        QFETCH(QStringList, started);
        for (const QString& name : installed) {
            QFile program(m_dir.filePath(name));
            QVERIFY(program.open(QIODevice::WriteOnly) && program.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
        }
        qputenv("PATH", QFile::encodeName(m_dir.path()));
        Forms::about()->cmdSysInfo->click();
        started.first() = m_dir.filePath(started.first());
        QCOMPARE(m_desktop->startedPrograms, QList<QStringList>{started});
    }

    void help()
    {
        modHTMLHelp::ShowHelp(u"Main"_s);
        const frmHelp* help = modHTMLHelp::helpWindowIfLoaded();
        QVERIFY(help && help->isVisible());
        QVERIFY(help->helpBrowser->toPlainText().contains(u"The help pages are missing"_s));
        Utils::ProgramFolder = QStringLiteral(ORLEVAN_BUILD_BIN); // where the build puts the help
        modHTMLHelp::ShowHelp(u"Main"_s);
        QCOMPARE(help->helpBrowser->source(), QUrl::fromLocalFile(Utils::ProgramFolder + u"/help/index.html"_s));
    }
};

QTEST_MAIN(TestShell)
#include "tst_shell_gui.moc"
