#include "core/AppInfo.h"
#include "core/Forms.h"
#include "core/Utils.h"
#include "shell/SysInfo.h"
#include "shell/frmAbout.h"
#include "shell/frmReadme.h"
#include "support/TestPlatform.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using SysInfo::StoredValue;

namespace {
void makeFile(const QString& path, bool executable)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\nexit 0\n");
    file.close();
    QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner;
    if (executable)
        permissions |= QFile::ExeOwner;
    QVERIFY(file.setPermissions(permissions));
}

QByteArray littleEndian(quint32 number)
{
    QByteArray bytes;
    for (int i = 0; i < 4; ++i)
        bytes.append(char((number >> (8 * i)) & 0xFF));
    return bytes;
}
} // namespace

class TestAbout : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestPlatform> platform;
    QTemporaryDir dir;
    QByteArray savedPath;
    QString savedCurrent;

private Q_SLOTS:
    void init()
    {
        platform = std::make_unique<TestPlatform>();
        resetProgramState(dir.path());
        savedPath = qgetenv("PATH");
        savedCurrent = QDir::currentPath();
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

    void aboutBoxTexts()
    {
        frmAbout* about = Forms::about();
        QCOMPARE(about->windowTitle(), QStringLiteral("About Orlevan"));
        QCOMPARE(about->lblTitle->text(), QStringLiteral("Orlevan"));
        QCOMPARE(about->lblVersion->text(), QStringLiteral("Version 1.2.24"));
        QCOMPARE(about->Label1->text(),
                 QStringLiteral("Orlevan by Brennmoor. The premier tool for checking Internet Domains."));
        QVERIFY(about->Label2->text().contains(AppInfo::HomePage));
        QCOMPARE(about->cmdOK->text(), QStringLiteral("OK"));
        QCOMPARE(about->cmdSysInfo->text(), QStringLiteral("&System Info..."));
        QVERIFY(!about->picIcon->pixmap().isNull());
        QVERIFY(!about->Picture1->pixmap().isNull());
        QVERIFY(about->findChild<QFrame*>(QStringLiteral("Line1_0")));
        QVERIFY(about->findChild<QFrame*>(QStringLiteral("Line1_1")));
    }

    void homePageLinkOpensInTheBrowser()
    {
        frmAbout* about = Forms::about();
        Q_EMIT about->Label2->linkActivated(AppInfo::HomePage);
        QCOMPARE(platform->openedUrls, QStringList{AppInfo::HomePage});
    }

    void okClosesAndUnloads()
    {
        QPointer<frmAbout> about = Forms::about();
        platform->onModal = [](QDialog* dialog) {
            dialog->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
            return dialog->result();
        };
        QCOMPARE(platform->runModal(about), int(QDialog::Accepted));
        QTRY_VERIFY_WITH_TIMEOUT(about.isNull(), 2000);
        QCOMPARE(platform->modalTitles, QStringList{QStringLiteral("About Orlevan")});
    }

    void systemInformation_data()
    {
        QTest::addColumn<QStringList>("executables"); // relative to the test folder
        QTest::addColumn<QStringList>("otherFiles");
        QTest::addColumn<QString>("path"); // ":"-separated, relative to the test folder
        QTest::addColumn<bool>("canStart");
        QTest::addColumn<QString>("expected"); // relative path started; empty: the message

        QTest::newRow("found") << QStringList{"a/gnome-system-monitor"} << QStringList{} << "a" << true
                               << "a/gnome-system-monitor";
        QTest::newRow("first program of the list wins over the first folder")
            << QStringList{"a/xfce4-taskmanager", "b/hardinfo"} << QStringList{} << "a:b" << true << "b/hardinfo";
        QTest::newRow("first folder wins for the same program")
            << QStringList{"a/kinfocenter", "b/kinfocenter"} << QStringList{} << "a:b" << true << "a/kinfocenter";
        QTest::newRow("not executable is skipped")
            << QStringList{"b/lxtask"} << QStringList{"a/hardinfo"} << "a:b" << true << "b/lxtask";
        QTest::newRow("not found") << QStringList{"a/top"} << QStringList{} << "a" << true << "";
        QTest::newRow("only a file that is not executable")
            << QStringList{} << QStringList{"a/hardinfo"} << "a" << true << "";
        QTest::newRow("folder named like a program") << QStringList{} << QStringList{} << "a" << true << "";
        QTest::newRow("empty search path") << QStringList{} << QStringList{} << "" << true << "";
        QTest::newRow("found but cannot be started")
            << QStringList{"a/hardinfo"} << QStringList{} << "a" << false << "";
    }

    void systemInformation()
    {
        QFETCH(QStringList, executables);
        QFETCH(QStringList, otherFiles);
        QFETCH(QString, path);
        QFETCH(bool, canStart);
        QFETCH(QString, expected);
        const QString root = dir.path() + QLatin1Char('/');
        for (const QString& file : executables)
            makeFile(root + file, true);
        for (const QString& file : otherFiles)
            makeFile(root + file, false);
        QDir().mkpath(root + QStringLiteral("a/hardinfo"));
        QStringList folders;
        for (const QString& folder : path.split(QLatin1Char(':'), Qt::SkipEmptyParts))
            folders << root + folder;
        qputenv("PATH", folders.join(QLatin1Char(':')).toLocal8Bit());
        platform->startResult = canStart;

        Forms::about()->cmdSysInfo->click();

        if (canStart && !expected.isEmpty()) {
            QCOMPARE(platform->startedPrograms, QList<QStringList>{QStringList{root + expected}});
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

    // An empty entry of the search path would mean the current folder: a program planted there is not started.
    void emptySearchPathEntriesAreNotTheCurrentFolder()
    {
        makeFile(dir.path() + QStringLiteral("/hardinfo"), true);
        QDir::setCurrent(dir.path());
        QCOMPARE(SysInfo::findProgram({QStringLiteral("hardinfo")}, QStringLiteral("::")), QString());
        QCOMPARE(SysInfo::findProgram({QStringLiteral("hardinfo")}, QStringLiteral(":.:")),
                 QDir(dir.path()).filePath(QStringLiteral("hardinfo")));
    }

    void valueTexts_data()
    {
        QTest::addColumn<quint32>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");

        const QByteArray path("/usr/bin/hardinfo");
        QTest::newRow("string with its NUL")
            << SysInfo::StringValue << path + '\0' << "old" << QString::fromLatin1(path);
        QTest::newRow("string without NUL") << SysInfo::StringValue << path << "old" << QString::fromLatin1(path);
        QTest::newRow("only one NUL is dropped")
            << SysInfo::StringValue << QByteArray("ab\0\0", 4) << "" << QStringLiteral("ab") + QChar(0);
        QTest::newRow("empty string") << SysInfo::StringValue << QByteArray("\0", 1) << "old"
                                      << "";
        QTest::newRow("no bytes at all") << SysInfo::StringValue << QByteArray() << "old"
                                         << "";
        QTest::newRow("non-ASCII path") << SysInfo::StringValue << QByteArray("/opt/\xc3\xa9t\xc3\xa9\0", 10) << ""
                                        << QStringLiteral("/opt/\u00e9t\u00e9");
        QTest::newRow("number appended") << SysInfo::NumberValue << littleEndian(0x12345678) << "x"
                                         << "x&h12345678";
        // A byte below 16 inside the number keeps its zero, and a zero top byte is no terminating NUL.
        QTest::newRow("number with small and zero bytes") << SysInfo::NumberValue << littleEndian(0x00010A05) << ""
                                                          << "&h10A05";
        QTest::newRow("number zero") << SysInfo::NumberValue << littleEndian(0) << ""
                                     << "&h0";
        QTest::newRow("number largest") << SysInfo::NumberValue << littleEndian(0xFFFFFFFF) << ""
                                        << "&hFFFFFFFF";
        QTest::newRow("other type keeps the text") << quint32(3) << QByteArray("\x01\x02", 2) << "kept"
                                                   << "kept";
    }

    void valueTexts()
    {
        QFETCH(quint32, type);
        QFETCH(QByteArray, data);
        QFETCH(QString, before);
        QFETCH(QString, after);
        SysInfo::KeyStore store;
        store.setValue(QStringLiteral("k"), QStringLiteral("v"), StoredValue{type, data});
        QString keyVal = before;
        QVERIFY(SysInfo::GetKeyValue(store, QStringLiteral("k"), QStringLiteral("v"), keyVal));
        QCOMPARE(keyVal, after);
    }

    void unreadableValues_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("length");
        QTest::newRow("missing key") << "other"
                                     << "v" << 4;
        QTest::newRow("missing value") << "k"
                                       << "other" << 4;
        QTest::newRow("key names are exact") << "K"
                                             << "v" << 4;
        QTest::newRow("longer than the buffer") << "k"
                                                << "v" << SysInfo::ValueBufferSize + 1;
    }

    void unreadableValues()
    {
        QFETCH(QString, key);
        QFETCH(QString, name);
        QFETCH(int, length);
        SysInfo::KeyStore store;
        store.setValue(QStringLiteral("k"), QStringLiteral("v"),
                       StoredValue{SysInfo::StringValue, QByteArray(length, 'x')});
        QString keyVal = QStringLiteral("old");
        QVERIFY(!SysInfo::GetKeyValue(store, key, name, keyVal));
        QVERIFY(keyVal.isEmpty());
    }

    void fullBufferIsRead()
    {
        SysInfo::KeyStore store;
        const QByteArray full(SysInfo::ValueBufferSize, 'x');
        store.setValue(QStringLiteral("k"), QStringLiteral("v"), StoredValue{SysInfo::StringValue, full});
        QString keyVal;
        QVERIFY(SysInfo::GetKeyValue(store, QStringLiteral("k"), QStringLiteral("v"), keyVal));
        QCOMPARE(keyVal.size(), SysInfo::ValueBufferSize);
    }

    void readmeTexts()
    {
        frmReadme* readme = Forms::readme();
        QCOMPARE(readme->windowTitle(), QStringLiteral("Important information!"));
        QCOMPARE(readme->Label1->text(), QStringLiteral("Important - read this!"));
        QVERIFY(readme->Label2->text().startsWith(QStringLiteral("Orlevan will check Internet domains in two ways.")));
        QVERIFY(readme->Label3->text().endsWith(QStringLiteral("DNS will in most cases be reliable.")));
        QVERIFY(readme->Label4->text().contains(QStringLiteral("default turned OFF.  You can turn it on")));
        QVERIFY(readme->Label4->text().endsWith(QStringLiteral("each domain may take 2-5 seconds.")));
        QCOMPARE(readme->Label5->text(),
                 QStringLiteral("You can always click on a domain and have Orlevan make a WHOIS lookup on it - this is "
                                "the fastest way to make sure a domain is really free."));
        QCOMPARE(readme->OKButton->text(), QStringLiteral("OK"));
    }

    // Wrapped texts need the height of their width; a dialog sized from hints alone cuts their last lines off.
    void noticeAndAboutShowEveryLine()
    {
        const QList<QDialog*> dialogs{Forms::readme(), Forms::about()};
        for (QDialog* dialog : dialogs) {
            dialog->show();
            for (const QLabel* label : dialog->findChildren<QLabel*>()) {
                if (label->wordWrap())
                    QVERIFY2(label->height() >= label->heightForWidth(label->width()), qPrintable(label->objectName()));
            }
        }
    }

    void firstRunShowsTheNoticeBeforeTheDnsOptions_data()
    {
        QTest::addColumn<bool>("helpPresent");
        QTest::newRow("help beside the program") << true;
        QTest::newRow("help missing") << false;
    }

    void firstRunShowsTheNoticeBeforeTheDnsOptions()
    {
        QFETCH(bool, helpPresent);
        if (helpPresent)
            makeFile(Utils::programFolder() + QStringLiteral("/help/index.html"), false);
        QStringList buttonsPressed;
        platform->onModal = [&](QDialog* dialog) {
            if (auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("OKButton"))) {
                buttonsPressed << ok->text();
                ok->click();
                return dialog->result();
            }
            dialog->reject();
            return int(QDialog::Rejected);
        };
        Utils::InitApplication();
        QCOMPARE(platform->modalTitles,
                 (QStringList{QStringLiteral("Important information!"), QStringLiteral("DNS Options")}));
        QCOMPARE(buttonsPressed, QStringList{QStringLiteral("OK")});
        QStringList texts;
        for (const TestPlatform::Message& message : platform->messages)
            texts << message.text;
        QCOMPARE(texts.contains(QStringLiteral("HTMLhelp not installed")), !helpPresent);
    }
};

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
