#include "support/FakeRdapServer.h"
#include "support/FakeWhoisServer.h"
#include "support/RunFixture.h"
#include "whois/Rdap.h"
#include "whois/RdapBootstrap.h"

#include <QDir>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>

// The confirmation after a run of "ab.test cd.test ef.test gh.com", all free by DNS: the registry of .test
// offers RDAP (a local server), .com has no RDAP service and its WHOIS server is local too.
class TestRdapConfirmation : public QObject, RunFixture
{
    Q_OBJECT

    std::unique_ptr<FakeWhoisServer> m_whois;
    std::unique_ptr<FakeRdapServer> m_rdap;
    QStringList m_captions; // the progress caption whenever a server is asked

    frmResults* run()
    {
        frmResults* results = check(QStringLiteral("ab.test cd.test ef.test gh.com"));
        const auto caption = [this, results] {
            m_captions.append(results->ProgressBar->format());
        };
        connect(m_rdap.get(), &FakeRdapServer::requestReceived, results, [this, caption] {
            if (m_rdap->requests.last().path != "/dns.json")
                caption();
        });
        connect(m_whois.get(), &FakeWhoisServer::requestReceived, results, caption);
        return finish(results) ? results : nullptr;
    }

private Q_SLOTS:
    void init()
    {
        setUpRun(2);
        m_ns->freeNames = {"ab.test", "cd.test", "ef.test", "gh.com"};
        m_whois = std::make_unique<FakeWhoisServer>();
        m_rdap = std::make_unique<FakeRdapServer>();
        QVERIFY(m_whois->start() && m_rdap->start());
        m_captions.clear();
        WhoisConfirmation::limits = {m_whois->port(), 2000, 2000};
        Utils::AppSettings.ConfirmWhois = true;
        Utils::DomainTable[0] = {"com", {}, {}, {}, 1, {}, "127.0.0.1"};
        Utils::DomainTable[1] = {"test", {}, {}, {}, 1, {}, "127.0.0.1"};
        Rdap::PlainHttpAllowed = true;
        Rdap::DataFolder = m_dir.filePath(QStringLiteral("data"));
        Rdap::BootstrapUrl = m_rdap->url("/dns.json");
        QDir().mkpath(QFileInfo(Rdap::shippedBootstrapPath()).absolutePath());
        QFile shipped(Rdap::shippedBootstrapPath());
        QVERIFY(shipped.open(QIODevice::WriteOnly));
        shipped.write(QStringLiteral("{\"publication\":\"2026-07-23T02:00:03Z\",\"services\":[[[\"test\"],[\"%1\"]]]}")
                          .arg(m_rdap->url("/rdap/"))
                          .toUtf8());
    }

    void cleanup()
    {
        tearDownRun();
        Rdap::PlainHttpAllowed = false;
        Rdap::DataFolder.clear();
        Rdap::BootstrapUrl = Rdap::IanaBootstrapUrl;
        QDir(m_dir.path()).removeRecursively();
        m_rdap.reset();
        m_whois.reset();
    }

    void eachAskedWhereItsRegistryAnswers()
    {
        m_rdap->answer("/rdap/domain/ab.test", FakeRdapServer::json(404, {}));
        m_rdap->answer("/rdap/domain/cd.test", FakeRdapServer::json(200, "{\"objectClassName\":\"domain\"}"));
        m_rdap->answer("/rdap/domain/ef.test", FakeRdapServer::json(500, {}));
        m_rdap->answer("/dns.json", FakeRdapServer::Answer{304, {}, {}, false});
        m_whois->setDefaultScript(FakeWhoisServer::reply("No match for \"GH.COM\".\r\n"));
        frmResults* results = run();
        QVERIFY(results);
        QTRY_COMPARE_WITH_TIMEOUT(results->butCancelOk->text(), QStringLiteral("Close"), 10000);
        QString statuses;
        for (int r = 1; r <= 4; ++r)
            statuses += QString::number(CheckResults(1, r).status);
        QCOMPARE(statuses, QStringLiteral("2132"));
        QCOMPARE(m_captions, QStringList({"RDAP : ab.test", "RDAP : cd.test", "RDAP : ef.test", "WHOIS : gh.com"}));
        QCOMPARE(m_whois->requests, QList<QByteArray>{"gh.com\r\n"});
        // The weekly refresh of the directory went out once, beside the questions.
        QTRY_VERIFY(QFile::exists(Rdap::fetchStatePath()));
        int refreshes = 0;
        for (const FakeRdapServer::Request& request : m_rdap->requests)
            refreshes += request.path == "/dns.json";
        QCOMPARE(refreshes, 1);
    }

    void cancelWhileRdapAsks()
    {
        m_rdap->answer("/rdap/domain/ab.test", FakeRdapServer::Answer{200, {}, {}, true});
        frmResults* results = run();
        QVERIFY(results);
        QTRY_COMPARE(m_captions, QStringList{"RDAP : ab.test"});
        QTest::mouseClick(results->butCancelOk, Qt::LeftButton);
        QTRY_VERIFY(!Forms::resultsIfLoaded());
        QTest::qWait(50);
        QCOMPARE(m_captions.size(), 1);
        QVERIFY(m_whois->requests.isEmpty());
    }
};

QTEST_MAIN(TestRdapConfirmation)
#include "tst_rdapconfirmation.moc"
