#include "dns/CheckRun.h"
#include "support/FakeWhoisServer.h"
#include "support/RunFixture.h"
#include "support/ScriptedTransport.h"

#include <QAction>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>

// The results window driven from the main window's Check, against a name server on 127.0.0.1, ticks by hand.
class TestResults : public QObject, RunFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        setUpRun(3);
        // WHOIS questions stay on this machine.
        WhoisConfirmation::limits.port = FakeWhoisServer::refusedPort();
        Utils::DomainTable[0] = {"com", {}, {}, {}, 1, {}, "127.0.0.1"};
        Utils::DomainTable[1] = {"uk", {}, {}, {}, 1, "co:org:", "127.0.0.1"};
        Utils::DomainTable[2] = {"nu", {}, {}, {}, 0, {}, "127.0.0.1"};
    }
    void cleanup() { tearDownRun(); }

    void columns_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("personal");
        QTest::addColumn<QStringList>("headings");
        QTest::addColumn<QStringList>("domains"); // column by column: queryId 1, 2, ...
        QTest::addColumn<QString>("lastTld");
        QTest::newRow("default list") << "ab cd" << false
                                      << QStringList{"com", "net", "org", "us", "to", "tv", "tm", "nu"}
                                      << QStringList{"ab.com", "cd.com", "ab.net", "cd.net", "ab.org", "cd.org",
                                                     "ab.us",  "cd.us",  "ab.to",  "cd.to",  "ab.tv",  "cd.tv",
                                                     "ab.tm",  "cd.tm",  "ab.nu",  "cd.nu"}
                                      << "nu";
        QTest::newRow("personal, second-level labels")
            << "ab" << true << QStringList{"com", "co.uk", "org.uk", ".uk"}
            << QStringList{"ab.com", "ab.co.uk", "ab.org.uk", "ab..uk"} << "uk";
        // A name without a known suffix gets the first record's.
        QTest::newRow("complete names") << "ab.nu cd" << false << QStringList{"Free?"} << QStringList{"ab.nu", "cd"}
                                        << "com";
    }
    void columns()
    {
        QFETCH(QString, typed);
        QFETCH(bool, personal);
        QFETCH(QStringList, headings);
        QFETCH(QStringList, domains);
        frmResults* results = check(typed, personal);
        QCOMPARE(results->Resultgrid->columnCount(), headings.size());
        QCOMPARE(results->Resultgrid->rowCount(), Utils::CheckCount);
        for (int c = 1; c <= results->ColumnCount; ++c) {
            QCOMPARE(results->Resultgrid->horizontalHeaderItem(c - 1)->text(), headings.at(c - 1));
            QCOMPARE(results->Resultgrid->horizontalHeaderItem(c - 1)->textAlignment(),
                     personal ? int(Qt::AlignCenter) : int(Qt::AlignLeft | Qt::AlignVCenter));
        }
        QCOMPARE(results->ColumnLabels.mid(1), Utils::BareNames ? headings : QStringList());
        QStringList built;
        for (int c = 1; c <= results->ColumnCount; ++c) {
            for (int r = 1; r <= Utils::CheckCount; ++r) {
                built.append(CheckResults(c, r).domain);
                QCOMPARE(int(CheckResults(c, r).queryId), int(built.size()));
            }
        }
        QCOMPARE(built, domains);
        QTEST(CheckResults(results->ColumnCount, Utils::CheckCount).tld, "lastTld");
        QCOMPARE(results->windowTitle(), QStringLiteral("Orlevan results"));
    }

    void limits_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("subLabels");
        QTest::addColumn<QString>("refusal"); // empty: accepted
        QTest::newRow("2047") << names(2047) << ""
                              << "";
        QTest::newRow("2048") << names(2048) << ""
                              << "Sorry, you have too many combinations of domains.\r"
                                 "The maximum number allowed is 2047 and you have 2048";
        QTest::newRow("600 names, four labels") << names(600) << "co:org:me:ltd"
                                                << "Sorry, you have too many combinations of domains.\r"
                                                   "The maximum number allowed is 2047 and you have 2400";
        QTest::newRow("label of 256") << QString(256, 'a') << ""
                                      << "Sorry, the name aaaa";
    }
    void limits()
    {
        QFETCH(QString, typed);
        QFETCH(QString, subLabels);
        QFETCH(QString, refusal);
        Utils::DomainTable[0].Selected = 0;
        Utils::DomainTable[1].SubLabels = subLabels;
        frmResults* results = check(typed, true);
        if (refusal.isEmpty()) {
            QVERIFY(results->isBusy());
            QCOMPARE(results->ProgressBar->maximum(), 2048);
            QVERIFY(m_platform->messages.isEmpty());
            QTRY_COMPARE(m_ns->queries.size(), 1);
            return;
        }
        QCOMPARE(m_platform->messages.size(), 1);
        QVERIFY2(m_platform->messages.at(0).text.startsWith(refusal), qPrintable(m_platform->messages.at(0).text));
        QCOMPARE(m_platform->messages.at(0).icon, Platform::Critical);
        QTRY_VERIFY(!Forms::resultsIfLoaded());
        QTest::qWait(20);
        QVERIFY(m_ns->queries.isEmpty());
    }

    void emptyPersonalSelection()
    {
        Utils::DomainTable[0].Selected = Utils::DomainTable[1].Selected = 0;
        Utils::AppSettings.Retries = 2;
        frmResults* results = check("ab cd", true);
        QCOMPARE(results->Resultgrid->columnCount(), 0);
        QCOMPARE(results->Resultgrid->rowCount(), 2);
        for (int tick = 1; tick < 2 * 3 + 10; ++tick)
            m_ticks->fire();
        QVERIFY(results->isBusy());
        m_ticks->fire();
        QCOMPARE(results->butCancelOk->text(), QStringLiteral("Close"));
        QCOMPARE(results->ContentWidth,
                 ResultsLayout::toTwips(results->fontMetrics().horizontalAdvance("ab"), results->dpi()) + 50);
        QVERIFY(m_ns->queries.isEmpty());
    }

    void windowThroughARun_data()
    {
        QTest::addColumn<bool>("confirm");
        QTest::newRow("no WHOIS confirmation") << false;
        QTest::newRow("WHOIS confirmation") << true;
    }
    void windowThroughARun()
    {
        QFETCH(bool, confirm);
        Utils::AppSettings.ConfirmWhois = confirm;
        FakeWhoisServer whois;
        QVERIFY(whois.start());
        whois.setDefaultScript(FakeWhoisServer::reply("No match for the name.\r\n"));
        WhoisConfirmation::limits.port = whois.port();
        m_ns->freeNames = {"ab.com", "cd.net"};
        frmResults* results = check("ab cd");
        const auto menusEnabled = [results] {
            return results->mnuFile->menuAction()->isEnabled() && results->mnuEdit->menuAction()->isEnabled() &&
                   results->mnuTools->menuAction()->isEnabled();
        };
        QVERIFY(!menusEnabled() && results->ProgressBar->isVisible());
        QCOMPARE(results->ProgressBar->format(), QStringLiteral("Checking Domains"));
        QTRY_COMPARE(results->RepliesReceived, qint16(1));
        QCOMPARE(results->ProgressBar->value(), 1);
        QCOMPARE(results->shownStatus(1, 1), int(Free));
        QCOMPARE(results->shownStatus(1, 2), -1); // not painted before its reply

        QVERIFY(finish(results));
        // The WHOIS confirmation shows its own progress; the button says Cancel until it has ended.
        QVERIFY(menusEnabled() && !Utils::CheckRunning);
        QCOMPARE(results->ProgressBar->isVisible(), confirm);
        QCOMPARE(results->isBusy(), confirm);
        QCOMPARE(results->butCancelOk->text(), confirm ? QStringLiteral("Cancel") : QStringLiteral("Close"));
        QTRY_COMPARE(results->butCancelOk->text(), QStringLiteral("Close"));
        QVERIFY(!results->isBusy());
        for (int c = 1; c <= 8; ++c) {
            for (int r = 1; r <= 2; ++r)
                QCOMPARE(results->shownStatus(c, r), (c == r) ? int(Free) : int(Taken));
        }
        QTest::keyClick(results, Qt::Key_Escape); // Esc belongs to Cancel only
        QVERIFY(Forms::resultsIfLoaded());
    }

    // Closed inside the Winsock error box, with ticks still coming; closing in other moments is in tst_lifecycle.
    void closedInsideErrorBox()
    {
        QPointer<ScriptedTransport> transport;
        CheckRun::transportFactory = [&transport] {
            auto made = std::make_unique<ScriptedTransport>();
            transport = made.get();
            return made;
        };
        frmResults* results = check(names(40));
        for (int i = 0; i < 20; ++i)
            m_ticks->fire();
        m_platform->onMessage = [&](const TestPlatform::Message&) {
            results->close();
            QTest::qWait(5); // the window's deferred deletion may run while the box is open
            if (m_ticks)
                m_ticks->fire();
        };
        transport->raiseError();
        QTRY_COMPARE(m_platform->messages.size(), 1);
        QTRY_VERIFY(!Forms::resultsIfLoaded());
        QTest::qWait(20);
        QVERIFY(!transport && !m_ticks);
    }

    // An answer for the last of 300 rows moves the current cell there, but the view stays at the top.
    void paintingDoesNotScroll()
    {
        m_ns->answering = false;
        frmResults* results = check(names(300, ".com"));
        QVERIFY(QTest::qWaitForWindowExposed(results));
        for (int i = 1; i < 300; ++i) {
            m_ticks->fire();
            if (i % 50 == 0) // keep the server's receive buffer from overflowing
                QTRY_COMPARE(m_ns->queries.size(), i + 1);
        }
        QTRY_COMPARE(m_ns->queries.size(), 300);
        m_ns->sendTo(m_ns->queries.last(), FakeNameServer::replyFor(m_ns->queries.last().datagram, 3));
        QTRY_COMPARE(results->shownStatus(1, 300), int(Free));
        QCOMPARE(results->Resultgrid->currentRow(), 299);
        QCOMPARE(results->Resultgrid->verticalScrollBar()->value(), 0);
    }

    void onlyRefusalsAreToldOnce()
    {
        m_ns->responder = [](const FakeNameServer::Query& query) {
            return std::optional<QByteArray>(FakeNameServer::replyFor(query.datagram, 5));
        };
        Utils::AppSettings.Retries = 2;
        frmResults* results = check("ab");
        QVERIFY(finish(results));
        QTRY_COMPARE(results->butCancelOk->text(), QStringLiteral("Close"));
        QCOMPARE(m_platform->messages.size(), 1);
        QVERIFY(m_platform->messages.at(0).text.contains("would not answer"));
        QCOMPARE(m_ns->queries.size(), 16);
        QCOMPARE(results->shownStatus(8, 1), int(NotChecked));
        QCOMPARE(results->RepliesReceived, qint16(0));
    }

    // One picture per cell, in its middle, however wide the column.
    void picturesCentredOnce()
    {
        Utils::DomainTable[0].Selected = 0;
        Utils::DomainTable[1].SubLabels = "averyverywidelabel";
        frmResults* results = check("ab", true);
        QVERIFY(finish(results));
        QVERIFY(QTest::qWaitForWindowExposed(results));
        const QImage image = results->Resultgrid->viewport()->grab().toImage();
        const QRect cell = results->Resultgrid->visualItemRect(results->Resultgrid->item(0, 0));
        int left = cell.right();
        int right = cell.left();
        for (int y = cell.top(); y <= cell.bottom(); ++y) {
            for (int x = cell.left(); x <= cell.right(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                if (pixel.red() > 150 && pixel.green() < 90 && pixel.blue() < 90) // the red cross
                    left = qMin(left, x), right = qMax(right, x);
            }
        }
        QVERIFY(cell.width() > 60 && right - left < 20);
        QVERIFY(qAbs((left + right) / 2 - cell.center().x()) <= 2);
    }

    void windowSizedToGrid()
    {
        frmResults* results = check("ab cd");
        QVERIFY(QTest::qWaitForWindowExposed(results));
        const auto twips = [results](int pixels) {
            return ResultsLayout::toTwips(pixels, results->dpi());
        };
        const QSize outer = results->frameGeometry().size();
        QVERIFY(qAbs(twips(outer.width()) - results->DesiredWidth) <= twips(1));
        QVERIFY(qAbs(twips(outer.height()) - (3 * 301 + 1400)) <= twips(1));
        QCOMPARE(results->butCancelOk->x(), ResultsLayout::toPixels(twips(outer.width()) - 1365, results->dpi()));
        // Larger than the grid needs snaps back.
        results->resize(results->size() + QSize(200, 150));
        QTRY_COMPARE(results->frameGeometry().size(), outer);
    }
};

QTEST_MAIN(TestResults)
#include "tst_frmresults.moc"
