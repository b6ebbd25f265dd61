#include "core/Forms.h"
#include "core/Utils.h"
#include "core/frmMain.h"
#include "dns/CheckResults.h"
#include "dns/DNS.h"
#include "results/frmResults.h"
#include "support/TestPlatform.h"

#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

// A whole Check against a real name server, compared with what dig says about the same names.
class TestNsd : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QProcess m_nsd;
    quint16 m_port = 0;

    static void writeFile(const QString& path, const QString& text)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.toUtf8());
    }

    // A port free for both UDP and TCP on 127.0.0.1, as the server binds both.
    static quint16 freePort()
    {
        for (int attempt = 0; attempt < 20; ++attempt) {
            QUdpSocket udp;
            if (!udp.bind(QHostAddress::LocalHost, 0))
                continue;
            QTcpServer tcp;
            if (tcp.listen(QHostAddress::LocalHost, udp.localPort()))
                return udp.localPort();
        }
        return 0;
    }

    static QString zone(const QString& origin, const QStringList& hosts)
    {
        QString text = QStringLiteral("$ORIGIN %1.\n$TTL 60\n"
                                      "@ IN SOA ns.%1. admin.%1. 1 3600 600 86400 60\n@ IN NS ns.%1.\n"
                                      "ns IN A 127.0.0.1\n")
                           .arg(origin);
        for (const QString& host : hosts)
            text += host + QStringLiteral(" IN A 127.0.0.2\n");
        return text;
    }

    // Polls with a real query until the server answers.
    bool serverAnswers()
    {
        QUdpSocket socket;
        const QByteArray query = DNS::BuildQuery(QStringLiteral("com"), 7);
        for (int attempt = 0; attempt < 100; ++attempt) {
            if (m_nsd.state() != QProcess::Running)
                return false;
            socket.writeDatagram(query, QHostAddress::LocalHost, m_port);
            if (socket.waitForReadyRead(100))
                return true;
        }
        return false;
    }

    bool digSaysFree(const QString& name)
    {
        QProcess dig;
        dig.start(QStringLiteral("dig"), {QStringLiteral("+notcp"), QStringLiteral("-t"), QStringLiteral("ANY"),
                                          QStringLiteral("-c"), QStringLiteral("ANY"), QStringLiteral("@127.0.0.1"),
                                          QStringLiteral("-p"), QString::number(m_port), name});
        dig.waitForFinished(10000);
        const QString out = QString::fromLatin1(dig.readAllStandardOutput());
        if (!out.contains(QStringLiteral("status: ")))
            qWarning("dig gave no status for %s: %s", qPrintable(name), qPrintable(out));
        return out.contains(QStringLiteral("status: NXDOMAIN"));
    }

private Q_SLOTS:
    void initTestCase()
    {
        const QString nsd = QStandardPaths::findExecutable(QStringLiteral("nsd"), {QStringLiteral("/usr/sbin")});
        if (nsd.isEmpty())
            QFAIL("nsd is not installed: install the Debian package nsd (scripts/packages.txt lists it)");
        if (QStandardPaths::findExecutable(QStringLiteral("dig")).isEmpty())
            QFAIL("dig is not installed: install the Debian package dnsutils (scripts/packages.txt lists it)");
        QVERIFY(m_dir.isValid());
        const QString dir = m_dir.path();
        writeFile(dir + QStringLiteral("/com.zone"), zone(QStringLiteral("com"), {"alpha", "gamma"}));
        writeFile(dir + QStringLiteral("/net.zone"), zone(QStringLiteral("net"), {"beta"}));
        for (int attempt = 0; attempt < 3 && !m_port; ++attempt) {
            const quint16 port = freePort();
            QVERIFY2(port, "no free port on 127.0.0.1");
            writeFile(dir + QStringLiteral("/nsd.conf"),
                      QStringLiteral("server:\n  ip-address: 127.0.0.1\n  port: %1\n  username: \"\"\n"
                                     "  chroot: \"\"\n  zonesdir: \"%2\"\n  pidfile: \"%2/nsd.pid\"\n"
                                     "  database: \"\"\n  xfrdfile: \"%2/xfrd.state\"\n"
                                     "  zonelistfile: \"%2/zone.list\"\n  xfrdir: \"%2\"\n"
                                     "  logfile: \"%2/nsd.log\"\n  server-count: 1\n"
                                     "remote-control:\n  control-enable: no\n"
                                     "zone:\n  name: \"com\"\n  zonefile: \"%2/com.zone\"\n"
                                     "zone:\n  name: \"net\"\n  zonefile: \"%2/net.zone\"\n")
                          .arg(port)
                          .arg(dir));
            m_nsd.setProcessChannelMode(QProcess::MergedChannels);
            m_nsd.start(nsd, {QStringLiteral("-d"), QStringLiteral("-c"), dir + QStringLiteral("/nsd.conf")});
            m_port = port;
            if (m_nsd.waitForStarted(5000) && serverAnswers())
                break;
            m_nsd.kill();
            m_nsd.waitForFinished(5000);
            m_port = 0;
        }
        if (!m_port) {
            QFile log(dir + QStringLiteral("/nsd.log"));
            log.open(QIODevice::ReadOnly);
            QFAIL(qPrintable(QStringLiteral("nsd did not start: ") + QString::fromLocal8Bit(m_nsd.readAll()) +
                             QString::fromLocal8Bit(log.readAll())));
        }
    }

    void cleanupTestCase()
    {
        Forms::destroyAll();
        DNS::NameServerPort = 53;
        if (m_nsd.state() != QProcess::NotRunning) {
            m_nsd.terminate();
            if (!m_nsd.waitForFinished(5000))
                m_nsd.kill();
            m_nsd.waitForFinished(5000);
        }
    }

    void wholeCheckAgreesWithDig()
    {
        TestPlatform platform;
        resetProgramState(m_dir.path());
        Utils::SaveSetting(QStringLiteral("main"), QStringLiteral("domains"), QStringLiteral("personal"));
        Utils::TldCount = 2;
        Utils::DomainTable[0] = {QStringLiteral("com"), {}, {}, {}, 1, {}, {}};
        Utils::DomainTable[1] = {QStringLiteral("net"), {}, {}, {}, 1, {}, {}};
        Utils::AppSettings.NameServer = QStringLiteral("127.0.0.1");
        Utils::AppSettings.QueryDelay = 5;
        Utils::AppSettings.Retries = 2;
        DNS::NameServerPort = m_port;

        frmMain* main = Forms::main();
        main->names->setText(QStringLiteral("alpha beta, Gamma;delta"));
        main->activate_Click();
        frmResults* results = Forms::resultsIfLoaded();
        QVERIFY(results);
        QTRY_COMPARE_WITH_TIMEOUT(results->butCancelOk->text(), QStringLiteral("Close"), 20000);
        QVERIFY(platform.messages.isEmpty());

        const QSet<QString> expectedFree = {"beta.com", "delta.com", "alpha.net", "Gamma.net", "delta.net"};
        for (int c = 1; c <= 2; ++c) {
            for (int r = 1; r <= 4; ++r) {
                const CheckResult& result = CheckResults(c, r);
                const bool free = expectedFree.contains(result.domain);
                QCOMPARE(digSaysFree(result.domain), free);
                QCOMPARE(result.status, quint8(free ? Free : Taken));
                QCOMPARE(results->shownStatus(c, r), int(result.status));
            }
        }
        QCOMPARE(results->RepliesReceived, qint16(8));
    }
};

QTEST_MAIN(TestNsd)
#include "tst_nsd.moc"
