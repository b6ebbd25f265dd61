#include "core/Forms.h"
#include "core/Utils.h"
#include "core/frmMain.h"
#include "dns/CheckResults.h"
#include "dns/DNS.h"
#include "results/frmResults.h"
#include "support/NsdServer.h"
#include "support/TestPlatform.h"

#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// A whole Check from typed names against a real name server (NSD) on 127.0.0.1, compared with dig.
class TestNsd : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    NsdServer m_nsd;

    bool digSaysFree(const QString& name)
    {
        QProcess dig;
        dig.start("dig", {"+notcp", "-t", "ANY", "-c", "ANY", "@127.0.0.1", "-p", QString::number(m_nsd.port()), name});
        dig.waitForFinished(10000);
        const QByteArray out = dig.readAllStandardOutput();
        if (!out.contains("status: "))
            qWarning("dig gave no status for %s: %s", qPrintable(name), out.constData());
        return out.contains("status: NXDOMAIN");
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("dig").isEmpty())
            QFAIL("dig is missing: install the Debian package dnsutils (scripts/packages.txt)");
        const QString failure = m_nsd.start({{"com", {"alpha", "gamma"}}, {"net", {"beta"}}});
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }

    void cleanupTestCase()
    {
        Forms::destroyAll();
        DNS::NameServerPort = 53;
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
        DNS::NameServerPort = m_nsd.port();

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
