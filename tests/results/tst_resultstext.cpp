#include "core/Utils.h"
#include "results/ResultsText.h"
#include "support/TestPlatform.h"

#include <QTemporaryDir>
#include <QTest>

class TestResultsText : public QObject
{
    Q_OBJECT

    static CheckResult result(const QString& domain, const QString& tld, quint8 status)
    {
        CheckResult r;
        r.domain = domain;
        r.tld = tld;
        r.status = status;
        return r;
    }
    static Utils::TldRecord record(const QString& site)
    {
        Utils::TldRecord r;
        r.Tld = QStringLiteral("com");
        r.RegistrationSite = site;
        return r;
    }

private Q_SLOTS:
    void popup_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("site");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("gotoCaption");
        QTest::addColumn<bool>("gotoEnabled");
        QTest::addColumn<QString>("www"); // empty: hidden
        const QString with = QStringLiteral("Goto .co.uk registration website.");
        const QString without = QStringLiteral("No registration site known for  .co.uk");
        QTest::newRow("taken, site") << int(Taken) << "www.reg.example"
                                     << "ab.co.uk is unavailable." << with << true << "Goto www.ab.co.uk";
        QTest::newRow("free, site") << int(Free) << "www.reg.example"
                                    << "ab.co.uk is available!" << with << true << "";
        QTest::newRow("not checked, site") << int(NotChecked) << "www.reg.example"
                                           << "ab.co.uk could not be checked." << with << true << "";
        QTest::newRow("pending") << int(Pending) << "www.reg.example"
                                 << "ab.co.uk" << with << true << "";
        QTest::newRow("taken, no site") << int(Taken) << ""
                                        << "ab.co.uk is unavailable." << without << false << "";
        QTest::newRow("taken, two-character site") << int(Taken) << "ab"
                                                   << "ab.co.uk is unavailable." << without << false << "";
        QTest::newRow("taken, three-character site")
            << int(Taken) << "a.b"
            << "ab.co.uk is unavailable." << with << true << "Goto www.ab.co.uk";
        QTest::newRow("free, no site") << int(Free) << "x"
                                       << "ab.co.uk is available!" << without << false << "";
    }
    void popup()
    {
        QFETCH(int, status);
        QFETCH(QString, site);
        QFETCH(QString, www);
        const ResultsText::Popup p =
            ResultsText::popup(result(QStringLiteral("ab.co.uk"), QStringLiteral("uk"), quint8(status)), record(site),
                               QStringLiteral("co.uk"));
        QTEST(p.title, "title");
        QTEST(p.gotoCaption, "gotoCaption");
        QTEST(p.gotoEnabled, "gotoEnabled");
        QCOMPARE(p.wwwVisible, !www.isEmpty());
        if (p.wwwVisible)
            QCOMPARE(p.wwwCaption, www);
        QCOMPARE(p.whoisCaption, QStringLiteral("Lookup ab.co.uk with WHOIS"));
        QVERIFY(!p.displayVisible);
    }

    // Bare names go by their column's heading; complete names by their own tld.
    void columnLabel_data()
    {
        QTest::addColumn<bool>("bare");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("label");
        QTest::newRow("bare, second column") << true << 2 << "co.uk";
        QTest::newRow("complete names") << false << 1 << "nu";
        QTest::newRow("bare, column out of range") << true << 3 << "nu";
    }
    void columnLabel()
    {
        QFETCH(bool, bare);
        QFETCH(int, column);
        const QStringList labels{QString(), QStringLiteral("com"), QStringLiteral("co.uk")};
        QTEST(ResultsText::columnLabel(bare, labels, column, QStringLiteral("nu")), "label");
    }

    void copyLine_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("site");
        QTest::addColumn<QString>("line");
        QTest::newRow("taken") << int(Taken) << "www.reg.example"
                               << "ab.com is unavailable.\r\n";
        QTest::newRow("free with site") << int(Free) << "www.reg.example"
                                        << "ab.com is available (check www.reg.example)\r\n";
        QTest::newRow("free, no site") << int(Free) << ""
                                       << "ab.com is available\r\n";
        QTest::newRow("free, two-character site") << int(Free) << "ab"
                                                  << "ab.com is available\r\n";
        QTest::newRow("not checked") << int(NotChecked) << "www.reg.example"
                                     << "ab.com was not checked.\r\n";
        QTest::newRow("pending") << int(Pending) << ""
                                 << "ab.com\r\n";
    }
    void copyLine()
    {
        QFETCH(int, status);
        QFETCH(QString, site);
        QTEST(ResultsText::copyLine(result(QStringLiteral("ab.com"), QStringLiteral("com"), quint8(status)), site),
              "line");
    }

    // The site comes from the record of the candidate's tld, or from record 0 when the tld is unknown.
    void copyTextColumnByColumn()
    {
        QTemporaryDir dir;
        resetProgramState(dir.path());
        Utils::TldCount = 2;
        Utils::DomainTable[0] = {QStringLiteral("com"), {}, QStringLiteral("www.reg.example"), {}, 1, {}, {}};
        Utils::DomainTable[1] = {QStringLiteral("nu"), {}, {}, {}, 1, {}, {}};
        CheckResultTable table;
        table.reset(2, 3);
        const QStringList names{QStringLiteral("ab"), QStringLiteral("cd"), QStringLiteral("ef")};
        const QStringList tlds{QStringLiteral("com"), QStringLiteral("nu")};
        for (int c = 1; c <= 2; ++c) {
            for (int r = 1; r <= 3; ++r)
                table(c, r) = result(names.at(r - 1) + QLatin1Char('.') + tlds.at(c - 1), tlds.at(c - 1), Free);
        }
        table(2, 2).status = Taken;
        table(1, 3).tld = QStringLiteral("zz");
        QCOMPARE(ResultsText::copyText(table, 2, 3), QStringLiteral("ab.com is available (check www.reg.example)\r\n"
                                                                    "cd.com is available (check www.reg.example)\r\n"
                                                                    "ef.com is available (check www.reg.example)\r\n"
                                                                    "ab.nu is available\r\n"
                                                                    "cd.nu is unavailable.\r\n"
                                                                    "ef.nu is available\r\n"));
        QCOMPARE(ResultsText::copyText(table, 0, 3), QString());
        // Counts beyond the table read nothing outside it.
        QCOMPARE(ResultsText::copyText(table, 5, 9).count(QStringLiteral("\r\n")), 6);
    }
};

QTEST_GUILESS_MAIN(TestResultsText)
#include "tst_resultstext.moc"
