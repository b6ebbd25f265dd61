#include "core/Forms.h"
#include "core/Utils.h"
#include "core/frmMain.h"
#include "shell/SysInfo.h"
#include "shell/frmAbout.h"
#include "shell/frmHelp.h"
#include "shell/frmReadme.h"
#include "shell/modHTMLHelp.h"
#include "support/TestPlatform.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QtEndian>

namespace {
void makeFile(const QString& path, bool executable)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n");
    file.close();
    QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner |
                                (executable ? QFile::ExeOwner : QFile::Permissions())));
}

QByteArray littleEndian(quint32 number)
{
    const quint32 stored = qToLittleEndian(number);
    return QByteArray(reinterpret_cast<const char*>(&stored), 4);
}

frmHelp* openHelp()
{
    modHTMLHelp::ShowHelp(QStringLiteral("Main"));
    return modHTMLHelp::helpWindowIfLoaded();
}
QString page(const frmHelp* help)
{
    return help->helpBrowser->source().fileName();
}
void follow(frmHelp* help, const char* link)
{
    Q_EMIT help->helpBrowser->anchorClicked(QUrl(QString::fromLatin1(link)));
}
} // namespace

// The about box, the first-run notice and the help window.
class TestHelp : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestPlatform> platform;
    QTemporaryDir dir;
    const QByteArray savedPath = qgetenv("PATH");
    const QString savedCurrent = QDir::currentPath();

private Q_SLOTS:
    void init()
    {
        platform = std::make_unique<TestPlatform>();
        resetProgramState(dir.path());
        Utils::ProgramFolder = QStringLiteral(ORLEVAN_BUILD_BIN);
    }

    void cleanup()
    {
        qputenv("PATH", savedPath);
        QDir::setCurrent(savedCurrent);
        delete modHTMLHelp::helpWindowIfLoaded();
        Forms::destroyAll();
        platform.reset();
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path());
    }

    // Wrapped texts need the height of their width; a dialog sized from hints alone cuts their last lines off.
    void noticeAndAboutShowEveryLine()
    {
        QCOMPARE(Forms::about()->lblVersion->text(), QStringLiteral("Version 1.2.24"));
        for (QDialog* dialog : QList<QDialog*>{Forms::readme(), Forms::about()}) {
            dialog->show();
            for (const QLabel* label : dialog->findChildren<QLabel*>())
                QVERIFY2(!label->wordWrap() || label->height() >= label->heightForWidth(label->width()),
                         qPrintable(label->objectName()));
        }
        QVERIFY(Forms::readme()->Label4->text().contains(QStringLiteral("default turned OFF.  You can")));
    }

    void systemInformation_data()
    {
        QTest::addColumn<QStringList>("files"); // relative to the test folder; a trailing "*" marks executables
        QTest::addColumn<QString>("path");      // ":"-separated, relative to the test folder
        QTest::addColumn<bool>("canStart");
        QTest::addColumn<QString>("started"); // empty: the message instead

        QTest::newRow("found") << QStringList{"a/gnome-system-monitor*"} << "a" << true << "a/gnome-system-monitor";
        QTest::newRow("first of the list wins over the first folder")
            << QStringList{"a/xfce4-taskmanager*", "b/hardinfo*"} << "a:b" << true << "b/hardinfo";
        QTest::newRow("files that cannot run and folders are skipped")
            << QStringList{"a/hardinfo", "a/kinfocenter/x", "b/lxtask*"} << "a:b" << true << "b/lxtask";
        // An empty entry would be the current folder, where anybody may have put a program.
        QTest::newRow("empty entries are not the current folder") << QStringList{"hardinfo*"} << "::" << true << "";
        QTest::newRow("found but cannot be started") << QStringList{"a/hardinfo*"} << "a" << false << "";
    }

    void systemInformation()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, path);
        QFETCH(bool, canStart);
        QFETCH(QString, started);
        const QString root = dir.path() + QLatin1Char('/');
        for (QString file : files) {
            const bool executable = file.endsWith(QLatin1Char('*'));
            makeFile(root + file.remove(QLatin1Char('*')), executable);
        }
        QStringList folders = path.split(QLatin1Char(':'));
        for (QString& folder : folders)
            folder = folder.isEmpty() ? folder : root + folder;
        qputenv("PATH", folders.join(QLatin1Char(':')).toLocal8Bit());
        QDir::setCurrent(root);
        platform->startResult = canStart;

        Forms::about()->cmdSysInfo->click();

        if (!started.isEmpty())
            QCOMPARE(platform->startedPrograms, QList<QStringList>{QStringList{root + started}});
        QCOMPARE(platform->messages.size(), started.isEmpty() ? 1 : 0);
        if (started.isEmpty()) {
            const TestPlatform::Message& message = platform->messages.first();
            QCOMPARE(message.text, QStringLiteral("System Information Is Unavailable At This Time"));
            QCOMPARE(message.buttons, Platform::Ok);
            QCOMPARE(message.icon, Platform::NoIcon);
            QCOMPARE(message.caption, QStringLiteral("Orlevan"));
        }
    }

    void valueTexts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<quint32>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("read");
        QTest::addColumn<QString>("after"); // what "old" becomes
        const auto row = [](const char* title, const char* name, quint32 type, const QByteArray& data, bool read,
                            const QString& after) {
            QTest::newRow(title) << QString(name) << type << data << read << after;
        };
        const QByteArray path("/usr/bin/hardinfo");
        row("string with its NUL", "v", SysInfo::StringValue, path + '\0', true, "/usr/bin/hardinfo");
        row("string without NUL", "v", SysInfo::StringValue, path, true, "/usr/bin/hardinfo");
        row("only one NUL is dropped", "v", SysInfo::StringValue, QByteArray("ab\0\0", 4), true,
            QStringLiteral("ab") + QChar(0));
        row("longer than the buffer", "v", SysInfo::StringValue, QByteArray(1025, 'x'), false, "");
        row("number appended", "v", SysInfo::NumberValue, littleEndian(0x12345678), true, "old&h12345678");
        // Inner zeros stay and a zero top byte is no terminating NUL: 0x00010A05 is not &h1A5.
        row("number with zero bytes", "v", SysInfo::NumberValue, littleEndian(0x00010A05), true, "old&h10A05");
        row("other type", "v", 3, QByteArray("\x01\x02"), true, "old");
        row("missing value", "w", SysInfo::StringValue, path, false, "");
    }

    void valueTexts()
    {
        QFETCH(QString, name);
        QFETCH(quint32, type);
        QFETCH(QByteArray, data);
        QFETCH(bool, read);
        QFETCH(QString, after);
        SysInfo::KeyStore store;
        store.setValue(QStringLiteral("k"), name, SysInfo::StoredValue{type, data});
        QString keyVal = QStringLiteral("old");
        QCOMPARE(SysInfo::GetKeyValue(store, QStringLiteral("k"), QStringLiteral("v"), keyVal), read);
        QCOMPARE(keyVal, after);
        keyVal = QStringLiteral("old");
        QVERIFY(!SysInfo::GetKeyValue(store, QStringLiteral("K"), QStringLiteral("v"), keyVal));
        QVERIFY(keyVal.isEmpty());
    }

    // Every link of every page leads to a page and anchor that exist, and the contents list every page.
    void pagesHoldTogether()
    {
        const QDir folder(QStringLiteral(ORLEVAN_BUILD_BIN "/help"));
        const auto read = [&](const QString& name) {
            QFile file(folder.filePath(name));
            return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
        };
        const QRegularExpression href(QStringLiteral("href=\"([^\"#]*)#?([^\"]*)\""));
        QStringList pages = folder.entryList({QStringLiteral("*.html")}, QDir::Files);
        QVERIFY(pages.size() > 5);
        for (auto it = href.globalMatch(read(QStringLiteral("index.html"))); it.hasNext();)
            pages.removeAll(it.next().captured(1));
        QCOMPARE(pages, QStringList{QStringLiteral("index.html")});

        for (const QString& name : folder.entryList({QStringLiteral("*.html")}, QDir::Files)) {
            for (auto it = href.globalMatch(read(name)); it.hasNext();) {
                const auto link = it.next();
                const QString target = link.captured(1).isEmpty() ? name : link.captured(1);
                const QString where = name + QStringLiteral(" -> ") + link.captured(0);
                QVERIFY2(folder.exists(target), qPrintable(where));
                if (!link.captured(2).isEmpty())
                    QVERIFY2(read(target).contains(QStringLiteral("name=\"%1\"").arg(link.captured(2))),
                             qPrintable(where));
            }
        }
    }

    void backForwardAndContents()
    {
        Forms::main()->mnuHelpIndex->trigger();
        frmHelp* help = modHTMLHelp::helpWindowIfLoaded();
        QVERIFY(help && help->isVisible());
        QCOMPARE(help->helpBrowser->source(), QUrl::fromLocalFile(modHTMLHelp::GetHelpFile()));
        QCOMPARE(page(help), QStringLiteral("index.html"));
        QCOMPARE(help->windowTitle(), QStringLiteral("Orlevan Help"));
        QVERIFY(!help->cmdBack->isEnabled() && !help->cmdForward->isEnabled());
        follow(help, "names.html");
        QCOMPARE(help->windowTitle(), QStringLiteral("Typing names"));
        follow(help, "dns.html#root");
        QCOMPARE(help->helpBrowser->source().fragment(), QStringLiteral("root"));
        help->cmdBack->click();
        help->cmdBack->click();
        help->cmdForward->click();
        QCOMPARE(page(help), QStringLiteral("names.html"));
        help->cmdContents->click();
        QCOMPARE(page(help), QStringLiteral("index.html"));

        // Web addresses go to the browser; the help stays where it is.
        follow(help, "http://www.example.org/page");
        QCOMPARE(platform->openedUrls, QStringList{QStringLiteral("http://www.example.org/page")});
        QCOMPARE(page(help), QStringLiteral("index.html"));

        // Asked again, the one help window goes back to its contents.
        follow(help, "tray.html");
        QCOMPARE(openHelp(), help);
        QCOMPARE(page(help), QStringLiteral("index.html"));
    }

    void missingHelpSaysWhereItBelongs()
    {
        Utils::ProgramFolder = dir.path();
        frmHelp* help = openHelp();
        QVERIFY(help->isVisible());
        QVERIFY(help->helpBrowser->toPlainText().contains(QDir::toNativeSeparators(dir.path() + "/help")));
        help->cmdContents->click();
        QVERIFY(platform->messages.isEmpty());
        Utils::ProgramFolder = QStringLiteral(ORLEVAN_BUILD_BIN);
        QCOMPARE(openHelp(), help);
        QCOMPARE(page(help), QStringLiteral("index.html"));
    }

    // Runs last: it ends the event loop the way Exit does.
    void endOfProgramClosesTheHelp()
    {
        QPointer<frmHelp> help = openHelp();
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
        QVERIFY(help.isNull());
    }
};

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
