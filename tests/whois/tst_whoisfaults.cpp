#include "core/Forms.h"
#include "core/Utils.h"
#include "support/FakeWhoisServer.h"
#include "support/TestPlatform.h"
#include "whois/WhoisClient.h"
#include "whois/frmWhois.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using Mode = FakeWhoisServer::Mode;
using Script = FakeWhoisServer::Script;

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
        QTest::newRow("refuses") << "refused" << Script{} << "Could not connect to Autodetect." << false;
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
        if (server == "stalled") {
            QVERIFY(fake.startStalled());
            QTRY_VERIFY_WITH_TIMEOUT(fake.stalled(), 10000);
        } else {
            QVERIFY(fake.start());
            fake.enqueue(script);
            fake.enqueue(FakeWhoisServer::reply("next reply\n"));
        }
        frmWhois* window = Forms::whois();
        window->Whois1->setPort(server == "refused" ? FakeWhoisServer::refusedPort() : fake.port());
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
                                     10000);
            QVERIFY(window->WhoisOutput->toPlainText().startsWith(shown.left(1000)));
        }
    }
};

QTEST_MAIN(TestWhoisFaults)
#include "tst_whoisfaults.moc"
