#include "core/FileOps.h"
#include "core/Forms.h"
#include "core/Utils.h"
#include "core/frmMain.h"
#include "dialogs/frmDomains.h"
#include "dns/CheckResults.h"
#include "dns/CheckRun.h"
#include "dns/DNS.h"
#include "results/frmResults.h"
#include "support/FakeNameServer.h"
#include "support/TestPlatform.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray scrambledLines(const QStringList& plain)
{
    QByteArray bytes;
    for (const QString& line : plain)
        bytes += FileOps::UnscrambleLine(line).toLatin1() + "\r\n";
    return bytes;
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QByteArray GoodSettings = "[main]\ninit=False\ndomains=user\ndns=127.0.0.1\nretries=2\ndelay=5\n"
                                "ConfirmWhois=False\nSysTrayMinimize=False\nCheckWithDashes=False\n"
                                "[domains]\ncom=1\nnet=0\n";

} // namespace

// Start-up and a Check with a damaged data file, settings that cannot be read or written, and a home folder
// where nothing can be stored: a clear message or a sane default, never a crash, never garbage in the store.
class TestLocalState : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<TestPlatform> m_platform;
    std::unique_ptr<FakeNameServer> m_ns;

    QString dataFile() const { return Utils::ProgramFolder + QStringLiteral("/orvtab.dll"); }

    // A Check of one name; true when it ran to its end or was refused with a message.
    bool checkRuns(const QString& name)
    {
        frmMain* main = Forms::main();
        main->names->setText(name);
        const qsizetype before = m_platform->messages.size();
        main->activate_Click();
        const QPointer<frmResults> results = Forms::resultsIfLoaded();
        if (!results || !results->isBusy())
            return m_platform->messages.size() > before;
        return QTest::qWaitFor([&] { return !results || !results->isBusy(); }, 30000) && results &&
               results->butCancelOk->text() == QStringLiteral("Close") && m_platform->messages.size() == before;
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
        resetProgramState(m_dir.path());
        m_platform = std::make_unique<TestPlatform>();
        m_ns = std::make_unique<FakeNameServer>();
        QVERIFY(m_ns->isListening());
        DNS::NameServerPort = m_ns->port();
        writeBytes(Utils::ProgramFolder + QStringLiteral("/help/index.html"), "<html></html>");
        writeBytes(Utils::ResolvConfPath, "nameserver 127.0.0.1\n");
    }

    void cleanup()
    {
        Forms::destroyAll();
        DNS::NameServerPort = 53;
        m_ns.reset();
        m_platform.reset();
    }

    void badDataFile_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("starts");
        QTest::addColumn<int>("records");

        QTest::newRow("empty") << QByteArray() << false << 0;
        QTest::newRow("only blank lines") << QByteArray("\r\n\r\n\r\n") << false << 0;
        QRandomGenerator random(7);
        QByteArray binary(256 * 1024, Qt::Uninitialized);
        for (char& c : binary)
            c = char(random.bounded(256));
        QTest::newRow("binary") << binary << true << -1;
        QStringList many;
        for (int i = 0; i < 10000; ++i)
            many.append(QStringLiteral("t%1;Domain %1;http://t%1.example;;").arg(i));
        QTest::newRow("10,000 lines") << scrambledLines(many) << true << 301;
        const QString mebibyte(1024 * 1024, QLatin1Char('d'));
        QTest::newRow("lines of 1 MB")
            << scrambledLines({QStringLiteral("com;") + mebibyte + QStringLiteral(";http://c"),
                               mebibyte + QStringLiteral(";Long label;http://l"),
                               QStringLiteral("uk;Kingdom;http://u;") + mebibyte + QStringLiteral(":co"),
                               QStringLiteral("net;Network;") + mebibyte + QStringLiteral(";;") + mebibyte})
            << true << 4;
    }

    void badDataFile()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, starts);
        QFETCH(int, records);
        QVERIFY(writeBytes(dataFile(), file));
        QVERIFY(writeBytes(Utils::SettingsFile, GoodSettings));
        Utils::AppSettings.NameServer = QStringLiteral("127.0.0.1");

        QElapsedTimer clock;
        clock.start();
        QCOMPARE(Forms::main()->Form_Load(), starts);
        if (!starts) {
            QCOMPARE(m_platform->messages.size(), 1);
            QCOMPARE(m_platform->messages.first().caption, QStringLiteral("Orlevan load error."));
            QVERIFY(m_platform->messages.first().text.contains(QStringLiteral("orvtab.dll")));
            return;
        }
        QVERIFY(m_platform->messages.isEmpty());
        if (records >= 0)
            QCOMPARE(int(Utils::TldCount), records);
        QVERIFY(Utils::TldCount <= Utils::DomainTableSize);

        // The domain selection opens, every record selected, and a Check over them runs or is refused.
        frmDomains* domains = Forms::domains();
        domains->show();
        for (QCheckBox* box : domains->findChildren<QCheckBox*>())
            box->setChecked(true);
        for (int i = 0; i < Utils::TldCount; ++i)
            Utils::DomainTable[size_t(i)].Selected = 1;
        Utils::AppSettings.QueryDelay = 1;
        QVERIFY(checkRuns(QStringLiteral("ab")));
        qInfo("start-up, selection and Check in %lld ms", clock.elapsed());
        // Every query is its candidate's, and no label was too long for its length byte.
        for (const FakeNameServer::Query& query : std::as_const(m_ns->queries)) {
            const auto cell = CheckRun::cellOfQueryId(query.id, CheckResults.columnCount(), CheckResults.rowCount());
            QVERIFY(cell);
            const QString domain = CheckResults(cell->column, cell->row).domain;
            QVERIFY(!DNS::OverlongLabel(domain));
            QCOMPARE(query.datagram, DNS::BuildQuery(domain, qint16(query.id)));
        }
    }

    void badSettings_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("message"); // start of the one message expected
        QTest::addColumn<bool>("rewritten");  // whether saving may change the file

        QTest::newRow("nonsense values") << "file"
                                         << QByteArray(
                                                "[main]\ninit=perhaps\ndns=\nretries=-3\ndelay=1e9\nConfirmWhois=2x\n"
                                                "SysTrayMinimize=\nCheckWithDashes=\x01\x02\n[domains]\ncom=many\n")
                                         << QString() << true;
        QTest::newRow("binary") << "file" << QByteArray("\x00\xff[main\n\x80\x81=\x00\n[[]]\n=\n\xc3\x28", 23)
                                << "Orlevan could not read its settings file:" << false;
        QTest::newRow("unreadable") << "folder" << QByteArray() << "Orlevan could not read its settings file:" << false;
        QTest::newRow("unwritable") << "unwritable" << GoodSettings << "Orlevan could not save its settings" << false;
        QTest::newRow("home folder read-only")
            << "under a file" << QByteArray() << "Orlevan could not save its settings" << false;
    }

    void badSettings()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, contents);
        QFETCH(QString, message);
        QFETCH(bool, rewritten);
        writeBytes(dataFile(), scrambledLines({"com;Commercial;http://c", "net;Network;http://n"}));
        if (kind == "folder") {
            QVERIFY(QDir().mkpath(Utils::SettingsFile));
        } else if (kind == "under a file") {
            // Nothing can be made under a file, not even by root.
            QVERIFY(writeBytes(m_dir.path() + QStringLiteral("/home"), "a file"));
            Utils::SettingsFile = m_dir.path() + QStringLiteral("/home/.config/Orlevan/Orlevan.ini");
        } else if (kind == "unwritable") {
            // The store writes through a temporary file beside it, whose longer name the system refuses.
            Utils::SettingsFile =
                m_dir.path() + QLatin1Char('/') + QString(251, QLatin1Char('s')) + QStringLiteral(".ini");
            QVERIFY(writeBytes(Utils::SettingsFile, contents));
        } else {
            QVERIFY(writeBytes(Utils::SettingsFile, contents));
        }
        const QByteArray before = readBytes(Utils::SettingsFile);

        QVERIFY(Forms::main()->Form_Load());
        const Utils::Settings& s = Utils::AppSettings;
        QVERIFY(s.Retries >= Utils::MinRetries && s.Retries <= Utils::MaxRetries);
        QVERIFY(s.QueryDelay >= Utils::MinQueryDelay && s.QueryDelay <= Utils::MaxQueryDelay);
        QVERIFY(!s.NameServer.trimmed().isEmpty());

        // Every switch in the menu saves; the user is told at most once that it cannot be kept.
        Forms::main()->mnuSysTray->trigger();
        Forms::main()->mnuSysTray->trigger();
        Utils::SaveDomainSelection();
        QStringList texts;
        for (const TestPlatform::Message& m : std::as_const(m_platform->messages))
            texts.append(m.text);
        if (message.isEmpty()) {
            QVERIFY2(texts.isEmpty(), qPrintable(texts.join(" | ")));
        } else {
            QCOMPARE(texts.size(), 1);
            QVERIFY2(texts.first().startsWith(message), qPrintable(texts.first()));
        }
        if (!rewritten) {
            QCOMPARE(readBytes(Utils::SettingsFile), before);
            return;
        }
        // What is written back is what the program runs on, nothing of the nonsense.
        QSettings store(Utils::SettingsFile, QSettings::IniFormat);
        QCOMPARE(store.value("main/retries").toString(), QString::number(s.Retries));
        QCOMPARE(store.value("main/delay").toString(), QString::number(s.QueryDelay));
        QCOMPARE(store.value("main/dns").toString(), s.NameServer);
        QCOMPARE(store.value("main/ConfirmWhois").toString(), Utils::BoolText(s.ConfirmWhois));
        QCOMPARE(store.value("main/CheckWithDashes").toString(), Utils::BoolText(s.CheckWithDashes));
    }
};

QTEST_MAIN(TestLocalState)
#include "tst_localstate.moc"
