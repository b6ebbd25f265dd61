#include "core/Forms.h"
#include "core/Utils.h"
#include "core/frmMain.h"
#include "dns/CheckResults.h"
#include "dns/DNS.h"
#include "results/WhoisConfirmation.h"
#include "results/frmResults.h"
#include "support/FakeNameServer.h"
#include "support/TestPlatform.h"
#include "support/WhoisFixture.h"
#include "whois/WhoisClient.h"
#include "whois/frmWhois.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {
constexpr int ConnectLimit = 300;
constexpr int ExchangeLimit = 1000;
// A loaded machine or the sanitizers may add this much to a limit.
constexpr int Slack = 2000;

QByteArray lines(int count)
{
    QByteArray text;
    for (int i = 1; i <= count; ++i)
        text += "Line " + QByteArray::number(i) + " of a reply\n";
    return text;
}
} // namespace

// The lookup window against servers that misbehave: every lookup ends within its limits, what arrived stays in
// the window, and the window goes on working.
class TestWhoisFaults : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void init()
    {
        resetProgramState(m_dir.path());
        Utils::DomainTable[0] = Utils::TldRecord{"test", {}, {}, {}, 0, {}, "127.0.0.1"};
        Utils::TldCount = 1;
    }

    void cleanup() { Forms::destroyAll(); }

    void misbehavingServers_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<Script>("script");
        QTest::addColumn<QString>("message"); // start of the message box, if one is expected
        QTest::addColumn<bool>("wholeReply");

        const QByteArray reply = lines(40);
        QTest::newRow("never accepts") << "stalled" << Script{} << "Could not connect to Autodetect." << false;
        QTest::newRow("hangs") << "listening" << Script{Mode::Hang, {}, 1, 0} << "Error 6 reading" << false;
        QTest::newRow("trickles within the limit")
            << "listening" << Script{Mode::Trickle, lines(3), 1, 0} << QString() << true;
        QTest::newRow("trickles past the limit")
            << "listening" << Script{Mode::Trickle, reply, 1, 0} << "Error 6 reading" << false;
        QTest::newRow("resets mid-reply")
            << "listening" << Script{Mode::Reset, reply.left(300), 1, 0} << QString() << false;
        QTest::newRow("closes mid-line") << "listening" << FakeWhoisServer::reply("Domain Name: EXAMP") << QString()
                                         << true;
        QTest::newRow("10 MB") << "listening" << Script{Mode::Huge, {}, 1, 10 * 1000 * 1000} << QString() << false;
        QTest::newRow("without end") << "listening" << Script{Mode::Huge, {}, 1, -1} << QString() << false;
        if (qEnvironmentVariableIsSet("ORLEVAN_WHOIS_REAL_LIMITS")) {
            // By hand only: the limits as the program has them.
            QTest::newRow("hangs, real limits") << "real" << Script{Mode::Hang, {}, 1, 0} << "Error 6 reading" << false;
        }
    }

    void misbehavingServers()
    {
        QFETCH(QString, server);
        QFETCH(Script, script);
        QFETCH(QString, message);
        QFETCH(bool, wholeReply);
        TestPlatform platform;
        FakeWhoisServer fake;
        const quint16 port = WhoisFixture::startServer(fake, server);
        QVERIFY(port);
        fake.enqueue(script);
        fake.enqueue(FakeWhoisServer::reply("next reply\n"));
        frmWhois* window = Forms::whois();
        window->Whois1->setPort(port);
        if (server != "real")
            window->Whois1->setTimeLimits(ConnectLimit, ExchangeLimit);
        window->show();

        QElapsedTimer clock;
        clock.start();
        window->WhoisString->setText(QStringLiteral("example.test"));
        QTest::mouseClick(window->btnLookup, Qt::LeftButton);
        const int limit = server == "real" ? WhoisClient::DefaultExchangeTimeout : ExchangeLimit;
        QTRY_VERIFY_WITH_TIMEOUT(!window->Whois1->isBusy() && window->btnLookup->isEnabled(), limit + Slack);
        const qint64 elapsed = clock.elapsed();
        qInfo("lookup over after %lld ms", elapsed);
        QVERIFY(elapsed <= limit + Slack);

        if (message.isEmpty()) {
            QVERIFY(platform.messages.isEmpty());
        } else {
            QCOMPARE(platform.messages.size(), 1);
            QVERIFY2(platform.messages.first().text.startsWith(message), qPrintable(platform.messages.first().text));
        }
        // What arrived stays, as it came (bare LF line ends shown as CR LF), and never more than the bound.
        const QString shown = window->WhoisOutput->toPlainText();
        QVERIFY(shown.size() <= WhoisClient::DefaultMaxReplyBytes);
        if (script.mode != Mode::Huge) {
            const QString sent = QString::fromLatin1(script.reply);
            QVERIFY2(shown.isEmpty() || sent.startsWith(shown), qPrintable(shown.left(200)));
            if (wholeReply)
                QCOMPARE(shown, sent);
        }

        // The window goes on working: the next lookup is added after what is there.
        if (server == "listening") {
            window->Whois1->setTimeLimits(ConnectLimit, 5000);
            QTest::mouseClick(window->btnLookup, Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(window->WhoisOutput->toPlainText().endsWith(QStringLiteral("next reply\n")),
                                     Bound);
            QVERIFY(window->WhoisOutput->toPlainText().startsWith(shown.left(1000)));
        }
    }

    // The confirmation of a free candidate against the same servers: it ends within its limits, and the
    // candidate stays free only on a whole reply that says so.
    void confirmationAgainstMisbehavingServers_data()
    {
        QTest::addColumn<Script>("script");
        QTest::addColumn<QString>("allowed"); // statuses the candidate may end with

        const QString notFree = QString::number(Taken) + QString::number(NotChecked);
        QTest::newRow("whole reply") << FakeWhoisServer::reply("No match for \"AB.TEST\".\r\n")
                                     << QString::number(Free);
        QTest::newRow("hangs") << Script{Mode::Hang, {}, 1, 0} << QString::number(NotChecked);
        QTest::newRow("marker trickles past the limit")
            << Script{Mode::Trickle, QByteArray(2000, '.') + "No match\r\n", 1, 0} << QString::number(NotChecked);
        QTest::newRow("resets before the marker is whole") << Script{Mode::Reset, "No ma", 1, 0} << notFree;
        QTest::newRow("10 MB") << Script{Mode::Huge, {}, 1, 10 * 1000 * 1000} << notFree;
        QTest::newRow("without end") << Script{Mode::Huge, {}, 1, -1} << notFree;
    }

    void confirmationAgainstMisbehavingServers()
    {
        QFETCH(Script, script);
        QFETCH(QString, allowed);
        TestPlatform platform;
        FakeNameServer ns;
        QVERIFY(ns.isListening());
        ns.freeNames = {QStringLiteral("ab.test")};
        DNS::NameServerPort = ns.port();
        FakeWhoisServer whois;
        QVERIFY(whois.start());
        whois.setDefaultScript(script);
        WhoisConfirmation::limits = {whois.port(), ConnectLimit, ExchangeLimit};
        Utils::AppSettings.NameServer = QStringLiteral("127.0.0.1");
        Utils::AppSettings.QueryDelay = 5;
        Utils::AppSettings.Retries = 1;
        Utils::AppSettings.ConfirmWhois = true;

        QElapsedTimer clock;
        clock.start();
        frmMain* main = Forms::main();
        main->names->setText(QStringLiteral("ab.test cd.test"));
        main->activate_Click();
        frmResults* results = Forms::resultsIfLoaded();
        QVERIFY(results);
        // Two queries and the run's pauses take well under a second.
        QTRY_COMPARE_WITH_TIMEOUT(results->butCancelOk->text(), QStringLiteral("Close"), ExchangeLimit + Slack + 1000);
        qInfo("run and confirmation over after %lld ms", clock.elapsed());
        WhoisConfirmation::limits = {};
        DNS::NameServerPort = 53;

        QVERIFY2(allowed.contains(QString::number(CheckResults(1, 1).status)),
                 qPrintable(QString::number(CheckResults(1, 1).status)));
        // The taken candidate was never asked and keeps what the name server said.
        QCOMPARE(CheckResults(1, 2).status, quint8(Taken));
        QCOMPARE(whois.requests.size(), 1);
        QVERIFY(platform.messages.isEmpty());
    }
};

QTEST_MAIN(TestWhoisFaults)
#include "tst_whoisfaults.moc"
