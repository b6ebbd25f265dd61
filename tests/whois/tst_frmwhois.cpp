#include "core/Forms.h"
#include "core/Utils.h"
#include "support/FakeWhoisServer.h"
#include "support/TestPlatform.h"
#include "whois/WhoisClient.h"
#include "whois/frmWhois.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using Mode = FakeWhoisServer::Mode;
using Script = FakeWhoisServer::Script;

namespace {
constexpr int Bound = 10000;
const QString Caption = QStringLiteral("Orlevan");
} // namespace

class TestFrmWhois : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    TestPlatform* m_platform = nullptr;
    FakeWhoisServer* m_server = nullptr;

    // The window, opened as Tools > Whois Lookup opens it, asking the test server.
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

private Q_SLOTS:
    void init()
    {
        m_platform = new TestPlatform;
        resetProgramState(m_dir.path());
        // Record 0 answers for labels no record carries; "test" names the test server.
        Utils::DomainTable[0].Tld = QStringLiteral("int");
        Utils::DomainTable[0].WhoisServer = QStringLiteral("127.0.0.2");
        Utils::DomainTable[1].Tld = QStringLiteral("test");
        Utils::DomainTable[1].WhoisServer = QStringLiteral("127.0.0.1");
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

    void opensReady()
    {
        frmWhois* window = Forms::whois();
        window->show();
        QCOMPARE(window->windowTitle(), QStringLiteral("Orlevan Whois Lookup"));
        QVERIFY(!window->isModal());
        QCOMPARE(window->Label2->text(),
                 QStringLiteral("Please enter the query (the domainname, an IP adress or another valid WHOIS query."));
        QCOMPARE(window->Label1->text(), QStringLiteral("Please select which WHOIS-server to ask for your domain or "
                                                        "leave setting for autodetect."));
        QCOMPARE(window->btnLookup->text(), QStringLiteral("&Lookup"));
        QVERIFY(window->btnLookup->isDefault());
        QCOMPARE(window->btnCancel->text(), QStringLiteral("&Close"));
        QCOMPARE(window->BottomLabel->text(), QStringLiteral("Autodetect will default to whois.internic.net for top "
                                                             "level domains with unknown WHOIS server."));
        QStringList entries;
        for (int i = 0; i < window->WhoisListBox->count(); ++i)
            entries.append(window->WhoisListBox->itemText(i));
        QCOMPARE(entries, (QStringList{"Autodetect", "whois.internic.net", "whois.ripe.net", "whois.apnic.net",
                                       "whois.arin.net", "whois.nic.mil", "whois.nic.gov"}));
        QCOMPARE(window->WhoisListBox->currentIndex(), 0);
        QVERIFY(window->WhoisOutput->isReadOnly());
        QVERIFY(window->WhoisOutput->toPlainText().isEmpty());
        const QFontMetrics metrics(window->WhoisOutput->font());
        QCOMPARE(metrics.horizontalAdvance(QLatin1Char('i')), metrics.horizontalAdvance(QLatin1Char('W')));
        QCOMPARE(window->Whois1->port(), quint16(43));
        QVERIFY(!window->Whois1->blockingMode());
        // The controls are found by name as well.
        QCOMPARE(window->findChild<QPlainTextEdit*>(QStringLiteral("WhoisOutput")), window->WhoisOutput);
    }

    void emptyQuery_data()
    {
        QTest::addColumn<QString>("query");
        QTest::newRow("nothing") << "";
        QTest::newRow("blanks") << "   ";
    }

    void emptyQuery()
    {
        QFETCH(QString, query);
        frmWhois* window = open();
        lookup(window, query);
        QCOMPARE(m_platform->messages.size(), 1);
        const TestPlatform::Message& message = m_platform->messages.first();
        QCOMPARE(message.text, QStringLiteral("Enter the domain you want to search for or another valid WHOIS "
                                              "query before pressing Lookup"));
        QCOMPARE(message.icon, Platform::Information);
        QCOMPARE(message.caption, Caption);
        QVERIFY(!window->Whois1->isBusy());
        QVERIFY(window->btnLookup->isEnabled());
    }

    void showsReply_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("chunk");
        QTest::addColumn<QString>("shown");

        const QString lines = QStringLiteral("Domain: example.test\nStatus: free\n\nEnd\n");
        QTest::newRow("bare LF") << QByteArray("Domain: example.test\nStatus: free\n\nEnd\n") << 0 << lines;
        QTest::newRow("CR LF") << QByteArray("Domain: example.test\r\nStatus: free\r\n\r\nEnd\r\n") << 0 << lines;
        QTest::newRow("bare LF in small pieces")
            << QByteArray("Domain: example.test\nStatus: free\n\nEnd\n") << 5 << lines;
        QTest::newRow("last line without LF") << QByteArray("one\ntwo") << 0 << QStringLiteral("one\ntwo");
        // Nothing from a server is markup.
        QTest::newRow("markup") << QByteArray("<b>bold</b> &amp; <a href=\"x\">link</a>\n") << 0
                                << QStringLiteral("<b>bold</b> &amp; <a href=\"x\">link</a>\n");
        QTest::newRow("UTF-8 and Latin-1") << QByteArray("Inhaber: M\xC3\xBCller, K\xF6ln\n") << 1
                                           << QStringLiteral("Inhaber: M\u00FCller, K\u00F6ln\n");
    }

    void showsReply()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, chunk);
        QFETCH(QString, shown);
        m_server->enqueue(chunk > 0 ? Script{Mode::Trickle, reply, chunk, 1, 0} : FakeWhoisServer::reply(reply));
        frmWhois* window = open();
        // Leading blanks do not change the record that Autodetect finds; the query goes out trimmed.
        lookup(window, QStringLiteral("  example.test"));
        QVERIFY(!window->btnLookup->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(idle(window) && window->WhoisOutput->toPlainText() == shown, Bound);
        QCOMPARE(m_server->requests, QList<QByteArray>{"example.test\r\n"});
        QVERIFY(m_platform->messages.isEmpty());
    }

    void lookupsAppendExecuteEmpties()
    {
        m_server->enqueue(FakeWhoisServer::reply("first\n"));
        m_server->enqueue(FakeWhoisServer::reply("second\r\n"));
        m_server->enqueue(FakeWhoisServer::reply("third\n"));
        frmWhois* window = open();
        lookup(window, QStringLiteral("one.test"));
        QTRY_VERIFY_WITH_TIMEOUT(idle(window) && !window->WhoisOutput->toPlainText().isEmpty(), Bound);
        lookup(window, QStringLiteral("two.test"));
        QTRY_COMPARE_WITH_TIMEOUT(window->WhoisOutput->toPlainText(), QStringLiteral("first\nsecond\n"), Bound);
        QTRY_VERIFY_WITH_TIMEOUT(idle(window), Bound);

        // As the results popup does it.
        window->WhoisString->setText(QStringLiteral("three.test"));
        window->WhoisListBox->setCurrentIndex(0);
        window->ExecuteWhois();
        QVERIFY(window->WhoisOutput->toPlainText().isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(window->WhoisOutput->toPlainText(), QStringLiteral("third\n"), Bound);
        QCOMPARE(m_server->requests.size(), 3);
    }

    void hugeReplyStaysBounded()
    {
        m_server->enqueue(Script{Mode::Huge, {}, 1, 1, 10 * 1000 * 1000});
        frmWhois* window = open();
        QSignalSpy ended(window->Whois1, &WhoisClient::finished);
        lookup(window, QStringLiteral("huge.test"));
        QVERIFY(ended.wait(Bound));
        QVERIFY(idle(window));
        QVERIFY(window->Whois1->truncated());
        // 72-character lines: the text shown is the first mebibyte, line ends counted once.
        const qsizetype shown = window->WhoisOutput->toPlainText().size();
        QVERIFY2(shown <= WhoisClient::DefaultMaxReplyBytes && shown > WhoisClient::DefaultMaxReplyBytes * 9 / 10,
                 qPrintable(QString::number(shown)));
    }

    void autodetectUsesQueryAsTyped()
    {
        // A second server at the same port on 127.0.0.2 stands for record 0's server.
        FakeWhoisServer recordZero;
        QVERIFY(recordZero.start(QHostAddress(QStringLiteral("127.0.0.2")), m_server->port()));
        recordZero.enqueue(FakeWhoisServer::reply("from record 0\n"));
        frmWhois* window = open();
        // The trailing blank is part of the last label, so no record matches; the query sent is trimmed.
        lookup(window, QStringLiteral("example.test "));
        QTRY_COMPARE_WITH_TIMEOUT(window->WhoisOutput->toPlainText(), QStringLiteral("from record 0\n"), Bound);
        QCOMPARE(recordZero.requests, QList<QByteArray>{"example.test\r\n"});
        QVERIFY(m_server->requests.isEmpty());
    }

    void connectFailureNamesEntry_data()
    {
        QTest::addColumn<bool>("autodetect");
        QTest::addColumn<QString>("entry");
        QTest::newRow("Autodetect") << true << "Autodetect";
        QTest::newRow("chosen server") << false << "127.0.0.1";
    }

    void connectFailureNamesEntry()
    {
        QFETCH(bool, autodetect);
        QFETCH(QString, entry);
        frmWhois* window = open();
        window->Whois1->setPort(FakeWhoisServer::refusedPort());
        if (!autodetect) {
            window->WhoisListBox->addItem(entry);
            window->WhoisListBox->setCurrentIndex(window->WhoisListBox->count() - 1);
        }
        window->WhoisOutput->setPlainText(QStringLiteral("earlier reply"));
        lookup(window, QStringLiteral("example.test"));
        QTRY_COMPARE_WITH_TIMEOUT(m_platform->messages.size(), 1, Bound);
        const TestPlatform::Message& message = m_platform->messages.first();
        QCOMPARE(message.text, QStringLiteral("Could not connect to %1.\r\nUse another WHOIS-server.\r\n(Error %2)")
                                   .arg(entry)
                                   .arg(int(WhoisClient::ConnectionRefused)));
        QCOMPARE(message.icon, Platform::NoIcon);
        QCOMPARE(message.caption, Caption);
        QVERIFY(idle(window));
        QVERIFY(window->WhoisString->isEnabled());
        QCOMPARE(window->WhoisOutput->toPlainText(), QStringLiteral("earlier reply"));
    }

    void hangingServerTimesOut()
    {
        m_server->enqueue(Script{Mode::Trickle, "partial", 7, 1, 0});
        m_server->setDefaultScript(Script{Mode::Hang, {}, 1, 1, 0});
        frmWhois* window = open();
        window->Whois1->setTimeLimits(300, 600);
        lookup(window, QStringLiteral("first.test"));
        QTRY_VERIFY_WITH_TIMEOUT(idle(window) && !window->WhoisOutput->toPlainText().isEmpty(), Bound);
        lookup(window, QStringLiteral("hang.test"));
        // While the message is up the inputs are still disabled; they come back after it.
        bool disabledDuringMessage = false;
        m_platform->onMessage = [&](const TestPlatform::Message&) {
            disabledDuringMessage = !window->WhoisString->isEnabled();
        };
        QTRY_COMPARE_WITH_TIMEOUT(m_platform->messages.size(), 1, Bound);
        const TestPlatform::Message& message = m_platform->messages.first();
        QCOMPARE(message.text,
                 QStringLiteral("Error %1 reading from server. Exiting...").arg(int(WhoisClient::ExchangeTimedOut)));
        QCOMPARE(message.icon, Platform::Critical);
        QCOMPARE(message.caption, Caption);
        QVERIFY(disabledDuringMessage);
        QVERIFY(idle(window));
        QCOMPARE(window->Whois1->lastError(), qint16(0));
        QVERIFY(window->isVisible());
        QCOMPARE(window->WhoisOutput->toPlainText(), QStringLiteral("partial"));
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
        m_server->enqueue(Script{Mode::Hang, {}, 1, 1, 0});
        QPointer<frmWhois> window = open();
        QSignalSpy request(m_server, &FakeWhoisServer::requestReceived);
        QSignalSpy closed(m_server, &FakeWhoisServer::connectionClosed);
        window->WhoisListBox->setCurrentIndex(0);
        window->WhoisOutput->setPlainText(QStringLiteral("kept until closed"));
        lookup(window, QStringLiteral("example.test"));
        QVERIFY(request.wait(Bound));

        if (how == QLatin1String("button"))
            QTest::mouseClick(window->btnCancel, Qt::LeftButton);
        else if (how == QLatin1String("escape"))
            QTest::keyClick(window->WhoisOutput, Qt::Key_Escape);
        else
            window->close();
        QTRY_VERIFY_WITH_TIMEOUT(window.isNull(), Bound);
        QCOMPARE(Forms::whoisIfLoaded(), nullptr);
        QTRY_COMPARE_WITH_TIMEOUT(closed.size(), 1, Bound);
        QVERIFY(m_platform->messages.isEmpty());

        // The next opening starts afresh.
        frmWhois* reopened = open();
        QVERIFY(reopened->WhoisOutput->toPlainText().isEmpty());
        QCOMPARE(reopened->WhoisListBox->currentText(), QStringLiteral("Autodetect"));
    }

    void matchesDebianClient()
    {
        const QString program = QStandardPaths::findExecutable(QStringLiteral("whois"));
        if (program.isEmpty())
            QSKIP("Debian's whois client is not installed (scripts/packages.txt lists it)");
        const QByteArray reply = "% Test registry\n"
                                 "Domain Name: EXAMPLE.TEST\r\n"
                                 "Registrant: M\xC3\xBCller GmbH\n"
                                 "\n"
                                 "No match for \"OTHER.TEST\".\n"
                                 ">>> Last update of WHOIS database <<<\n";
        m_server->setDefaultScript(FakeWhoisServer::reply(reply));

        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
        process.setProcessEnvironment(environment);
        QSignalSpy exited(&process, &QProcess::finished);
        process.start(program, {QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"),
                                QString::number(m_server->port()), QStringLiteral("example.test")});
        QVERIFY(exited.wait(Bound));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        const QString printed = QString::fromUtf8(process.readAllStandardOutput());

        frmWhois* window = open();
        lookup(window, QStringLiteral("example.test"));
        QTRY_VERIFY_WITH_TIMEOUT(idle(window) && !window->WhoisOutput->toPlainText().isEmpty(), Bound);

        const auto normalised = [](QString text) {
            text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
            while (text.endsWith(QLatin1Char('\n')))
                text.chop(1);
            return text;
        };
        QCOMPARE(m_server->requests, (QList<QByteArray>{"example.test\r\n", "example.test\r\n"}));
        QVERIFY(!normalised(printed).isEmpty());
        QCOMPARE(normalised(window->WhoisOutput->toPlainText()), normalised(printed));
    }
};

QTEST_MAIN(TestFrmWhois)
#include "tst_frmwhois.moc"
