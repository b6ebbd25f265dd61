#include "core/Forms.h"
#include "core/Utils.h"
#include "support/TestPlatform.h"
#include "support/WhoisFixture.h"
#include "whois/WhoisClient.h"
#include "whois/frmWhois.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class TestFrmWhois : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    TestPlatform* m_platform = nullptr;
    FakeWhoisServer* m_server = nullptr;

    // Opened as Tools > Whois Lookup opens it, asking the test server.
    frmWhois* open()
    {
        frmWhois* window = Forms::whois();
        window->Whois1->setPort(m_server->port());
        window->show();
        return window;
    }

    static void lookup(frmWhois* window, const QString& query)
    {
        window->WhoisString->setText(query);
        QTest::mouseClick(window->btnLookup, Qt::LeftButton);
    }

    static bool idle(frmWhois* window) { return !window->Whois1->isBusy() && window->btnLookup->isEnabled(); }

    static QString output(frmWhois* window) { return window->WhoisOutput->toPlainText(); }

private Q_SLOTS:
    void init()
    {
        m_platform = new TestPlatform;
        resetProgramState(m_dir.path());
        // Record 0 answers for labels that no record carries.
        Utils::DomainTable[0] = Utils::TldRecord{"int", {}, {}, {}, 0, {}, "127.0.0.2"};
        Utils::DomainTable[1] = Utils::TldRecord{"test", {}, {}, {}, 0, {}, "127.0.0.1"};
        Utils::TldCount = 2;
        m_server = new FakeWhoisServer;
        QVERIFY(m_server->start());
    }

    void cleanup()
    {
        Forms::destroyAll();
        delete m_server;
        delete m_platform;
    }

    void showsReply_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("chunk");
        QTest::addColumn<QString>("shown");

        const QString lines = QStringLiteral("Domain: example.test\nStatus: free\n\nEnd\n");
        QTest::newRow("bare LF") << QByteArray("Domain: example.test\nStatus: free\n\nEnd\n") << 0 << lines;
        QTest::newRow("CR LF") << QByteArray("Domain: example.test\r\nStatus: free\r\n\r\nEnd\r\n") << 0 << lines;
        QTest::newRow("bare LF in pieces") << QByteArray("Domain: example.test\nStatus: free\n\nEnd\n") << 5 << lines;
        QTest::newRow("markup stays text") << QByteArray("<b>bold</b> &amp; <a href=\"x\">link</a>") << 0
                                           << QStringLiteral("<b>bold</b> &amp; <a href=\"x\">link</a>");
    }

    void showsReply()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, chunk);
        QFETCH(QString, shown);
        m_server->enqueue(chunk > 0 ? Script{Mode::Trickle, reply, chunk, 0} : FakeWhoisServer::reply(reply));
        frmWhois* window = open();
        // Leading blanks leave the last label alone; the query goes out trimmed.
        lookup(window, QStringLiteral("  example.test"));
        QVERIFY(!window->btnLookup->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(idle(window) && output(window) == shown, Bound);
        QCOMPARE(m_server->requests, QList<QByteArray>{"example.test\r\n"});
    }

    void lookupsAppendExecuteEmpties()
    {
        m_server->enqueue(FakeWhoisServer::reply("first\n"));
        m_server->enqueue(FakeWhoisServer::reply("second\r\n"));
        m_server->enqueue(FakeWhoisServer::reply("third\n"));
        frmWhois* window = open();
        lookup(window, QStringLiteral("one.test"));
        QTRY_VERIFY_WITH_TIMEOUT(idle(window) && !output(window).isEmpty(), Bound);
        lookup(window, QStringLiteral("two.test"));
        QTRY_VERIFY_WITH_TIMEOUT(idle(window) && output(window) == QStringLiteral("first\nsecond\n"), Bound);
        // As the results popup does it.
        window->WhoisString->setText(QStringLiteral("three.test"));
        window->ExecuteWhois();
        QVERIFY(output(window).isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(output(window), QStringLiteral("third\n"), Bound);
    }

    void autodetectReadsQueryAsTyped()
    {
        // 127.0.0.2 at the same port stands for record 0's server.
        FakeWhoisServer recordZero;
        QVERIFY(recordZero.start(QHostAddress(QStringLiteral("127.0.0.2")), m_server->port()));
        recordZero.enqueue(FakeWhoisServer::reply("from record 0\n"));
        frmWhois* window = open();
        lookup(window, QStringLiteral("example.test "));
        QTRY_COMPARE_WITH_TIMEOUT(output(window), QStringLiteral("from record 0\n"), Bound);
        QCOMPARE(recordZero.requests, QList<QByteArray>{"example.test\r\n"});
    }

    void failureMessages_data()
    {
        QTest::addColumn<bool>("refused");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("icon");

        QTest::newRow("refused, named Autodetect")
            << true
            << QStringLiteral("Could not connect to Autodetect.\r\nUse another WHOIS-server.\r\n(Error %1)")
                   .arg(WhoisClient::ConnectionRefused)
            << int(Platform::NoIcon);
        QTest::newRow("hanging server times out")
            << false << QStringLiteral("Error %1 reading from server. Exiting...").arg(WhoisClient::ExchangeTimedOut)
            << int(Platform::Critical);
    }

    void failureMessages()
    {
        QFETCH(bool, refused);
        QFETCH(QString, text);
        QFETCH(int, icon);
        m_server->setDefaultScript(Script{Mode::Hang, {}, 1, 0});
        frmWhois* window = open();
        window->Whois1->setTimeLimits(300, 600);
        if (refused)
            window->Whois1->setPort(FakeWhoisServer::refusedPort());
        window->WhoisOutput->setPlainText(QStringLiteral("earlier reply"));
        bool disabledDuringMessage = false;
        m_platform->onMessage = [&](const TestPlatform::Message&) {
            disabledDuringMessage = !window->WhoisString->isEnabled();
        };
        lookup(window, QStringLiteral("example.test"));
        QTRY_COMPARE_WITH_TIMEOUT(m_platform->messages.size(), 1, Bound);
        QCOMPARE(m_platform->messages.first().text, text);
        QCOMPARE(int(m_platform->messages.first().icon), icon);
        // The inputs come back after the message, the output stays, and the error is cleared.
        QVERIFY(disabledDuringMessage);
        QVERIFY(idle(window));
        QCOMPARE(output(window), QStringLiteral("earlier reply"));
        QCOMPARE(window->Whois1->lastError(), refused ? qint16(WhoisClient::ConnectionRefused) : qint16(0));
    }

    void closeEndsLookup_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Close button") << "button";
        QTest::newRow("Esc") << "escape";
        QTest::newRow("close box") << "box";
    }

    void closeEndsLookup()
    {
        QFETCH(QString, how);
        m_server->enqueue(Script{Mode::Hang, {}, 1, 0});
        QPointer<frmWhois> window = open();
        QSignalSpy request(m_server, &FakeWhoisServer::requestReceived);
        QSignalSpy closed(m_server, &FakeWhoisServer::connectionClosed);
        window->WhoisListBox->setCurrentIndex(0);
        lookup(window, QStringLiteral("example.test"));
        QVERIFY(request.wait(Bound));
        if (how == "button")
            QTest::mouseClick(window->btnCancel, Qt::LeftButton);
        else if (how == "escape")
            QTest::keyClick(window->WhoisOutput, Qt::Key_Escape);
        else
            window->close();
        QTRY_VERIFY_WITH_TIMEOUT(window.isNull() && closed.size() == 1, Bound);
        QVERIFY(m_platform->messages.isEmpty());
        // The next opening starts afresh.
        QCOMPARE(Forms::whois()->WhoisListBox->currentIndex(), 0);
    }

    void matchesDebianClient()
    {
        const QString program = QStandardPaths::findExecutable(QStringLiteral("whois"));
        if (program.isEmpty())
            QSKIP("Debian's whois client is not installed (scripts/packages.txt lists it)");
        m_server->setDefaultScript(FakeWhoisServer::reply("% Test registry\nDomain Name: EXAMPLE.TEST\r\n"
                                                          "Registrant: M\xC3\xBCller GmbH\n\n"
                                                          "No match for \"OTHER.TEST\".\n>>> Last update <<<\n"));
        QProcess process;
        QSignalSpy exited(&process, &QProcess::finished);
        process.start(program, {"-h", "127.0.0.1", "-p", QString::number(m_server->port()), "example.test"});
        QVERIFY(exited.wait(Bound));
        frmWhois* window = open();
        lookup(window, QStringLiteral("example.test"));
        QTRY_VERIFY_WITH_TIMEOUT(idle(window) && !output(window).isEmpty(), Bound);

        const auto normalised = [](QString text) {
            text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            while (text.endsWith(QLatin1Char('\n')))
                text.chop(1);
            return text;
        };
        const QString printed = QString::fromUtf8(process.readAllStandardOutput());
        QVERIFY(printed.contains(QStringLiteral("M\u00FCller")));
        QCOMPARE(normalised(output(window)), normalised(printed));
    }
};

QTEST_MAIN(TestFrmWhois)
#include "tst_frmwhois.moc"
