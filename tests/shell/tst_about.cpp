#include "core/Forms.h"
#include "core/Utils.h"
#include "shell/SysInfo.h"
#include "shell/frmAbout.h"
#include "shell/frmReadme.h"
#include "support/TestPlatform.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
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
} // namespace

class TestAbout : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestPlatform> platform;
    QTemporaryDir dir;
    const QByteArray savedPath = qgetenv("PATH");
    const QString savedCurrent = QDir::currentPath();

private Q_SLOTS:
    void init()
    {
        platform = std::make_unique<TestPlatform>();
        resetProgramState(dir.path());
    }

    void cleanup()
    {
        qputenv("PATH", savedPath);
        QDir::setCurrent(savedCurrent);
        Forms::destroyAll();
        platform.reset();
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path());
    }

    void versionText() { QCOMPARE(Forms::about()->lblVersion->text(), QStringLiteral("Version 1.2.24")); }

    // Wrapped texts need the height of their width; a dialog sized from hints alone cuts their last lines off.
    void noticeAndAboutShowEveryLine()
    {
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
            file.remove(QLatin1Char('*'));
            makeFile(root + file, executable);
        }
        QStringList folders = path.split(QLatin1Char(':'));
        for (QString& folder : folders)
            folder = folder.isEmpty() ? folder : root + folder;
        qputenv("PATH", folders.join(QLatin1Char(':')).toLocal8Bit());
        QDir::setCurrent(root);
        platform->startResult = canStart;

        Forms::about()->cmdSysInfo->click();

        if (!started.isEmpty()) {
            QCOMPARE(platform->startedPrograms, QList<QStringList>{QStringList{root + started}});
            QVERIFY(platform->messages.isEmpty());
            return;
        }
        QCOMPARE(platform->messages.size(), 1);
        const TestPlatform::Message& message = platform->messages.first();
        QCOMPARE(message.text, QStringLiteral("System Information Is Unavailable At This Time"));
        QCOMPARE(message.buttons, Platform::Ok);
        QCOMPARE(message.icon, Platform::NoIcon);
        QCOMPARE(message.caption, QStringLiteral("Orlevan"));
    }

    void valueTexts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<quint32>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("read");
        QTest::addColumn<QString>("after"); // what "old" becomes

        const QByteArray path("/usr/bin/hardinfo");
        QTest::newRow("string with its NUL")
            << "v" << SysInfo::StringValue << path + '\0' << true << "/usr/bin/hardinfo";
        QTest::newRow("string without NUL") << "v" << SysInfo::StringValue << path << true << "/usr/bin/hardinfo";
        QTest::newRow("only one NUL is dropped")
            << "v" << SysInfo::StringValue << QByteArray("ab\0\0", 4) << true << QStringLiteral("ab") + QChar(0);
        QTest::newRow("longer than the buffer") << "v" << SysInfo::StringValue << QByteArray(1025, 'x') << false << "";
        QTest::newRow("number appended") << "v" << SysInfo::NumberValue << littleEndian(0x12345678) << true
                                         << "old&h12345678";
        // Inner zeros stay and a zero top byte is no terminating NUL: 0x00010A05 is not &h1A5.
        QTest::newRow("number with zero bytes")
            << "v" << SysInfo::NumberValue << littleEndian(0x00010A05) << true << "old&h10A05";
        QTest::newRow("other type") << "v" << quint32(3) << QByteArray("\x01\x02") << true << "old";
        QTest::newRow("missing value") << "w" << SysInfo::StringValue << path << false << "";
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

    void firstRunShowsTheNoticeBeforeTheDnsOptions()
    {
        makeFile(Utils::programFolder() + QStringLiteral("/help/index.html"), false);
        int okPressed = 0;
        platform->onModal = [&](QDialog* dialog) {
            if (auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("OKButton"))) {
                ok->click();
                ++okPressed;
            } else {
                dialog->reject();
            }
            return dialog->result();
        };
        Utils::InitApplication();
        QCOMPARE(platform->modalTitles,
                 (QStringList{QStringLiteral("Important information!"), QStringLiteral("DNS Options")}));
        QCOMPARE(okPressed, 1);
        QVERIFY(platform->messages.isEmpty()); // the help was found
    }
};

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
