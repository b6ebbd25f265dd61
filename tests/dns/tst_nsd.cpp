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

// A whole Check from typed names against a real name server (NSD) on 127.0.0.1, compared with dig.
class TestNsd : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QProcess m_nsd;
    quint16 m_port = 0;

    void write(const QString& name, const QString& text)
    {
        QFile file(m_dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.toUtf8());
    }

    static QString zone(const QString& origin, const QString& hosts)
    {
        return QStringLiteral("$ORIGIN %1.\n$TTL 60\n@ IN SOA ns.%1. admin.%1. 1 3600 600 86400 60\n"
                              "@ IN NS ns.%1.\nns IN A 127.0.0.1\n%2")
            .arg(origin, hosts);
    }

    // Starts NSD on a port free for UDP and TCP; true once it answers a query.
    bool startServer(const QString& nsd)
    {
        QUdpSocket udp;
        QTcpServer tcp;
        if (!udp.bind(QHostAddress::LocalHost, 0) || !tcp.listen(QHostAddress::LocalHost, udp.localPort()))
            return false;
        m_port = udp.localPort();
        udp.close();
        tcp.close();
        write("nsd.conf", QStringLiteral(R"(server:
  ip-address: 127.0.0.1
  port: %1
  username: ""
  chroot: ""
  zonesdir: "%2"
  pidfile: "%2/nsd.pid"
  database: ""
  xfrdfile: "%2/xfrd.state"
  zonelistfile: "%2/zone.list"
  xfrdir: "%2"
  logfile: "%2/nsd.log"
  server-count: 1
remote-control:
  control-enable: no
zone:
  name: "com"
  zonefile: "%2/com.zone"
zone:
  name: "net"
  zonefile: "%2/net.zone"
)")
                              .arg(m_port)
                              .arg(m_dir.path()));
        m_nsd.setProcessChannelMode(QProcess::MergedChannels);
        m_nsd.start(nsd, {"-d", "-c", m_dir.filePath("nsd.conf")});
        QUdpSocket probe;
        for (int attempt = 0; attempt < 100 && m_nsd.waitForStarted(5000); ++attempt) {
            probe.writeDatagram(DNS::BuildQuery("com", 7), QHostAddress::LocalHost, m_port);
            if (probe.waitForReadyRead(100))
                return true;
        }
        m_nsd.kill();
        m_nsd.waitForFinished(5000);
        return false;
    }

    bool digSaysFree(const QString& name)
    {
        QProcess dig;
        dig.start("dig", {"+notcp", "-t", "ANY", "-c", "ANY", "@127.0.0.1", "-p", QString::number(m_port), name});
        dig.waitForFinished(10000);
        const QByteArray out = dig.readAllStandardOutput();
        if (!out.contains("status: "))
            qWarning("dig gave no status for %s: %s", qPrintable(name), out.constData());
        return out.contains("status: NXDOMAIN");
    }

private Q_SLOTS:
    void initTestCase()
    {
        const QString nsd = QStandardPaths::findExecutable("nsd", {"/usr/sbin"});
        if (nsd.isEmpty() || QStandardPaths::findExecutable("dig").isEmpty())
            QFAIL("nsd or dig is missing: install the Debian packages nsd and dnsutils (scripts/packages.txt)");
        write("com.zone", zone("com", "alpha IN A 127.0.0.2\ngamma IN A 127.0.0.2\n"));
        write("net.zone", zone("net", "beta IN A 127.0.0.2\n"));
        bool started = false;
        for (int attempt = 0; attempt < 3 && !started; ++attempt)
            started = startServer(nsd);
        if (!started) {
            QFile log(m_dir.filePath("nsd.log"));
            log.open(QIODevice::ReadOnly);
            QFAIL(qPrintable("nsd did not start: " + m_nsd.readAll() + log.readAll()));
        }
    }

    void cleanupTestCase()
    {
        Forms::destroyAll();
        DNS::NameServerPort = 53;
        m_nsd.terminate();
        if (!m_nsd.waitForFinished(5000))
            m_nsd.kill();
    }

    void wholeCheckAgreesWithDig()
    {
        TestPlatform platform;
        resetProgramState(m_dir.path());
        Utils::SaveSetting("main", "domains", "personal");
        Utils::TldCount = 2;
        Utils::DomainTable[0] = {"com", {}, {}, {}, 1, {}, {}};
        Utils::DomainTable[1] = {"net", {}, {}, {}, 1, {}, {}};
        Utils::AppSettings = {"127.0.0.1", 5, 2, false, false, false};
        DNS::NameServerPort = m_port;

        Forms::main()->names->setText("alpha beta, Gamma;delta");
        Forms::main()->activate_Click();
        frmResults* results = Forms::resultsIfLoaded();
        QTRY_COMPARE_WITH_TIMEOUT(results->butCancelOk->text(), QStringLiteral("Close"), 20000);
        QVERIFY(platform.messages.isEmpty());

        const QStringList expectedFree = {"beta.com", "delta.com", "alpha.net", "Gamma.net", "delta.net"};
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
