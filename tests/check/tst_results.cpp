#include "check/ResultsLayout.h"
#include "check/ResultsText.h"
#include "check/WhoisConfirmation.h"
#include "core/Environment.h"
#include "core/Utils.h"
#include "support/FakeServer.h"
#include "support/Suite.h"
#include "whois/Rdap.h"
#include "whois/RdapBootstrap.h"

// What the results window says and how it sizes itself, and the confirmation of free cells, without a window.
class TestResults : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void init() { resetProgramState(m_dir.path()); }

    void popup_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("site");
        QTest::addColumn<QString>("texts"); // title | goto (+ when enabled) | www ("" hidden) | whois | details
        QTest::newRow("taken") << int(Taken) << "http://reg"
                               << "ab.co.uk is unavailable.|+Goto .co.uk registration website.|Goto www.ab.co.uk|"
                                  "Lookup ab.co.uk with WHOIS|details";
        QTest::newRow("taken, typed in its own script")
            << int(Taken) << "http://reg"
            << QString::fromUtf8("äb.co.uk (xn--b-uia.co.uk) is unavailable.|+Goto .co.uk registration website.|Goto "
                                 "www.äb.co.uk|Lookup xn--b-uia.co.uk with WHOIS|details");
        QTest::newRow("not checked, no site") << int(NotChecked) << "ab"
                                              << "ab.co.uk could not be checked.|No registration site known for  "
                                                 ".co.uk||Lookup ab.co.uk with WHOIS";
    }
    void popup()
    {
        QFETCH(int, status);
        QFETCH(QString, site);
        const bool ownScript = QByteArray(QTest::currentDataTag()).contains("own script");
        const CheckResult result{ownScript ? "xn--b-uia.co.uk" : "ab.co.uk",
                                 "uk",
                                 quint8(status),
                                 1,
                                 ownScript ? QString::fromUtf8("äb.co.uk") : QString(),
                                 CheckResult::Dns};
        Utils::TldRecord record;
        record.RegistrationSite = site;
        const ResultsText::Popup p = ResultsText::popup(result, record, "co.uk", false);
        QTEST(QStringList({p.title, (p.gotoEnabled ? "+" : "") + p.gotoCaption, p.wwwVisible ? p.wwwCaption : "",
                           p.whoisCaption + (p.detailsVisible ? "|details" : "")})
                  .join('|'),
              "texts");
        QCOMPARE(ResultsText::columnLabel(true, {"", "com", "co.uk"}, 2, "uk"), QStringLiteral("co.uk"));
        QCOMPARE(ResultsText::progressText(120, 960, 39001), "120 of 960 checked, 40 s left");
        QCOMPARE(ResultsText::columnLabel(false, {""}, 1, "uk"), QStringLiteral("uk"));
    }

    // The clipboard's words, and the file a spreadsheet program reads.
    void copyAndCsv()
    {
        loadTable({"int;I;", "com;C;http://com.reg", "nu;N;x", "de;D;https://r/\"a,b\"\nc"});
        CheckResultTable CheckResults;
        CheckResults.reset(2, 3);
        const quint8 statuses[] = {Free, Taken, NotChecked, Free, Pending, Taken};
        for (int i = 0; i < 6; ++i) {
            const QString tld = i < 3 ? "com" : "nu";
            CheckResult& cell = CheckResults(i / 3 + 1, i % 3 + 1);
            cell = {"n" + QString::number(i % 3 + 1) + '.' + tld, tld, statuses[i], 0, {}, CheckResult::By(i % 3)};
        }
        CheckResults(2, 1) = {"xn--mnchen-3ya.de", "de", Free, 4, QString::fromUtf8("münchen.de"), CheckResult::Rdap};
        QCOMPARE(ResultsText::copyText(CheckResults, 2, 3),
                 QString::fromUtf8("n1.com is available (check http://com.reg)\r\nn2.com is unavailable.\r\n"
                                   "n3.com was not checked.\r\nmünchen.de (xn--mnchen-3ya.de) is available (check "
                                   "https://r/\"a,b\"\nc)\r\nn2.nu\r\nn3.nu is unavailable.\r\n"));
        QCOMPARE(ResultsText::summaryOf("1", "2", "3"), QString::fromUtf8("1 free · 2 taken · 3 not checked"));
        const QByteArray csv = ResultsText::csv(CheckResults, 2, 3, {QString::fromUtf8("münchen"), "n2", "n3"});
        QCOMPARE(csv, "\xEF\xBB\xBF" +
                          QString::fromUtf8(
                              "name,domain,status,confirmed by,registration site\r\n"
                              "münchen,n1.com,free,DNS,http://com.reg\r\nn2,n2.com,taken,WHOIS,http://com.reg\r\n"
                              "n3,n3.com,not checked,,http://com.reg\r\n"
                              "münchen,xn--mnchen-3ya.de,free,RDAP,\"https://r/\"\"a,b\"\"\nc\"\r\n"
                              "n2,n2.nu,not checked,,x\r\nn3,n3.nu,taken,RDAP,x\r\n")
                              .toUtf8());
    }

    void formSize_data()
    {
        QTest::addColumn<double>("content");
        QTest::addColumn<double>("rows");
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("height");
        // screen 20000 x 10000 twips
        QTest::newRow("at least 2500 wide") << 100.0 << 1.0 << 2500.0 << 602.0 + 1400;
        QTest::newRow("at most 90 % of the screen") << 30000.0 << 100.0 << 18000.0 << 9000.0;
        QTest::newRow("just over 90 %") << 17600.0 << 30.0 << 18000.0 << 9000.0;
    }
    void formSize()
    {
        QFETCH(double, content);
        QFETCH(double, rows);
        const ResultsLayout::Size size =
            ResultsLayout::calcFormSize(content, (rows + 1) * ResultsLayout::RowPitch, {20000, 10000});
        QTEST(size.width, "width");
        QTEST(size.height, "height");
    }

    void resizeRule_data()
    {
        QTest::addColumn<double>("w");
        QTest::addColumn<double>("h");
        QTest::addColumn<QString>("expected"); // window size, then progress top/width, button top/left, grid h/w
        QTest::newRow("smaller stays") << 4000.0 << 3000.0 << "4000x3000 1900/2520 1900/2635 1830/3850";
        QTest::newRow("larger snaps back") << 9000.0 << 9000.0 << "6000x5000 3900/4520 3900/4635 3830/5850";
        QTest::newRow("1300 high: controls stay") << 4000.0 << 1300.0 << "4000x1300 -";
        QTest::newRow("1301 high") << 4000.0 << 1301.0 << "4000x1301 201/2520 201/2635 131/3850";
        QTest::newRow("1700 wide: controls stay") << 1700.0 << 3000.0 << "1700x3000 -";
    }
    void resizeRule()
    {
        QFETCH(double, w);
        QFETCH(double, h);
        const ResultsLayout::Resize r = ResultsLayout::resizeRule({w, h}, {6000, 5000}, 5500);
        QString text = QStringLiteral("%1x%2 ").arg(r.window.width).arg(r.window.height);
        const auto& p = r.placement;
        const auto n = [](double value) {
            return QString::number(value);
        };
        text += !p ? "-"
                   : n(p->progressTop) + '/' + n(p->progressWidth) + ' ' + n(p->buttonTop) + '/' + n(p->buttonLeft) +
                         ' ' + n(p->gridHeight) + '/' + n(p->gridWidth);
        QTEST(text, "expected");
        QCOMPARE(ResultsLayout::resizeRule({9000, 9000}, {6000, 5000}, 0).snapped, false);
    }

    // Free cells are asked one after the other, at the registry's RDAP service where it has one, else at the
    // WHOIS server; every cell counts as a step.
    void confirmation_data()
    {
        QTest::addColumn<QByteArray>("whoisReply"); // "-": nobody listens
        QTest::addColumn<int>("rdapStatus");
        // What becomes of a.com and d.rdaptest, both free by DNS; b.com (taken) and c.com (not checked) stay.
        QTest::addColumn<QString>("statuses");
        QTest::newRow("both say free") << QByteArray("No match for A.COM\r\n") << 404 << "free by WHOIS, free by RDAP";
        QTest::newRow("registered") << QByteArray("Domain Name: A.COM\r\n") << 200 << "taken by WHOIS, taken by RDAP";
        QTest::newRow("other case") << QByteArray("no entries found\r\n") << 500
                                    << "taken by WHOIS, not checked by RDAP";
        QTest::newRow("empty reply") << QByteArray("") << 404 << "taken by WHOIS, free by RDAP";
        QTest::newRow("unreachable") << QByteArray("-") << 404 << "not checked by WHOIS, free by RDAP";
    }
    void confirmation()
    {
        QFETCH(QByteArray, whoisReply);
        QFETCH(int, rdapStatus);
        FakeServer whois, rdap(true);
        QVERIFY(whois.start() && rdap.start());
        whois.setDefault({FakeServer::Mode::Reply, whoisReply});
        Environment& environment = Environment::current();
        environment.whoisPort = whoisReply == "-" ? FakeServer::refusedPort() : whois.port();
        environment.connectMs = 2000;
        environment.exchangeMs = 4000;
        environment.plainHttpAllowed = true;
        QVERIFY(writeFile(Rdap::shippedBootstrapPath(),
                          R"({"services": [[["rdaptest"], [")" + rdap.url("/rdap/").toLatin1() + R"("]]]})"));
        rdap.answer(FakeServer::http(rdapStatus, R"({"objectClassName": "domain"})"), "/rdap/domain/d.rdaptest");
        loadTable({"int;I;;;", "com;C;;;127.0.0.1"});
        CheckResultTable CheckResults;
        CheckResults.reset(1, 4);
        const quint8 statuses[] = {Free, Taken, NotChecked, Free};
        const QStringList domains = {"a.com", "b.com", "c.com", "d.rdaptest"};
        for (int r = 1; r <= 4; ++r)
            CheckResults(1, r) = {domains[r - 1], "", statuses[r - 1], qint16(r), {}, CheckResult::Dns};
        WhoisConfirmation walk(CheckResults, 1, 4);
        QSignalSpy asking(&walk, &WhoisConfirmation::asking), advanced(&walk, &WhoisConfirmation::advanced);
        QSignalSpy finished(&walk, &WhoisConfirmation::finished);
        walk.start();
        QVERIFY(finished.wait(10000));
        QStringList shown;
        for (int r = 1; r <= 4; ++r)
            shown += QStringList{"pending", "taken", "free", "not checked"}[CheckResults(1, r).status] + " by " +
                     QStringList{"DNS", "WHOIS", "RDAP"}[CheckResults(1, r).decidedBy];
        QTEST(shown[0] + ", " + shown[3], "statuses");
        QCOMPARE(shown[1] + ", " + shown[2], "taken by DNS, not checked by DNS");
        QCOMPARE(advanced.size(), 4);
        QCOMPARE(asking.value(0).value(2).toString() + '|' + asking.value(1).value(2).toString(),
                 QStringLiteral("WHOIS : a.com|RDAP : d.rdaptest"));
        QCOMPARE(whois.heads(), whoisReply == "-" ? QList<QByteArray>() : QList<QByteArray>{"a.com\r\n"});
        QCOMPARE(walk.failureNote(), !(shown[0] + shown[3]).contains("not checked")
                                         ? QString()
                                         : "1 free name could not be confirmed, so it shows as not "
                                           "checked.\rNo usable answer came from: 127.0.0.1");
    }

    // A confirmation with nothing to confirm ends at once; the directory fetch it started still lands after it.
    void directoryOutlivesConfirmation()
    {
        FakeServer server(true);
        QVERIFY(server.start());
        const QString directory = R"({"publication":"2024-01-0%1T00:00:00Z","services":[[["com"],["https://r/"]]]})";
        QVERIFY(writeFile(Rdap::shippedBootstrapPath(), directory.arg(1).toUtf8()));
        server.answer(FakeServer::http(200, directory.arg(2).toUtf8()), "/dns.json");
        Environment::current().plainHttpAllowed = true;
        Environment::current().bootstrapUrl = server.url("/dns.json");
        CheckResultTable table;
        table.reset(1, 1);
        table(1, 1).status = Taken;
        auto walk = std::make_unique<WhoisConfirmation>(table, 1, 1);
        QSignalSpy finished(walk.get(), &WhoisConfirmation::finished);
        QCOMPARE(walk->Whois2->port(), quint16(43)); // the program's own, with the environment as the program has it
        walk->start();
        QVERIFY(finished.wait(5000));
        walk.reset();
        QTRY_VERIFY(Rdap::readBootstrap(Rdap::userBootstrapPath()));
    }
};

QTEST_GUILESS_MAIN(TestResults)
#include "tst_results.moc"
