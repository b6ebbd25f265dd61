#include "support/FakeWhoisServer.h"
#include "support/RunFixture.h"
#include "whois/WhoisClient.h"
#include "whois/frmWhois.h"

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>

// The results window after a run: the cell popup, the copy, and the WHOIS confirmation against a local server.
// Candidates named in m_silent get no DNS answer; all others are taken unless in freeNames.
class TestResultsActions : public QObject, RunFixture
{
    Q_OBJECT

    std::unique_ptr<FakeWhoisServer> m_whois;
    QSet<QString> m_silent;

    // Runs a Check to its end (the end of the DNS part).
    frmResults* run(const QString& text, bool personal = false)
    {
        frmResults* results = check(text, personal);
        const auto silent = [this] {
            int count = 0;
            for (const FakeNameServer::Query& query : m_ns->queries)
                count += m_silent.contains(query.name);
            return count;
        };
        // The user's click during the run opens nothing.
        const auto clickOpensNothing = [results] {
            click(results, 1, 1);
            return !results->mnuPopup->isVisible();
        };
        return finish(results, silent, clickOpensNothing) ? results : nullptr;
    }
    static void click(frmResults* results, int column, int row)
    {
        QTableWidgetItem* item = results->Resultgrid->item(row - 1, column - 1);
        if (!item)
            return;
        results->Resultgrid->scrollToItem(item);
        QTest::mouseClick(results->Resultgrid->viewport(), Qt::LeftButton, {},
                          results->Resultgrid->visualItemRect(item).center());
    }
    QStringList asked() const
    {
        QStringList names;
        for (const QByteArray& request : m_whois->requests)
            names.append(QString::fromUtf8(request).trimmed());
        return names;
    }
    static FakeWhoisServer::Script hang() { return {FakeWhoisServer::Mode::Hang, {}, 1, 0}; }

private Q_SLOTS:
    void init()
    {
        setUpRun(3);
        m_silent.clear();
        m_ns->responder = [this](const FakeNameServer::Query& query) -> std::optional<QByteArray> {
            if (m_silent.contains(query.name))
                return std::nullopt;
            return FakeNameServer::replyFor(query.datagram, m_ns->freeNames.contains(query.name) ? 3 : 0);
        };
        m_whois = std::make_unique<FakeWhoisServer>();
        QVERIFY(m_whois->start());
        WhoisConfirmation::limits = {m_whois->port(), 2000, 2000};
        Utils::DomainTable[0] = {"com", {}, "www.reg.example", {}, 1, {}, "127.0.0.1"};
        Utils::DomainTable[1] = {"uk", {}, "http://uk.example", {}, 1, "co", "127.0.0.1"};
        // A two-character site counts as none; nobody listens on 127.0.0.2, so questions there are refused.
        Utils::DomainTable[2] = {"nu", {}, "xy", {}, 0, {}, "127.0.0.2"};
    }
    void cleanup()
    {
        tearDownRun();
        m_whois.reset();
    }

    void popup_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("gotoCaption");
        QTest::addColumn<QStringList>("opened"); // by Goto and Goto www.
        const QString com = "Goto .com registration website.";
        const QString nu = "No registration site known for  .nu";
        QTest::newRow("free, site") << 1 << "ab.com is available!" << com << QStringList{"www.reg.example"};
        QTest::newRow("taken, site") << 2 << "cd.com is unavailable." << com
                                     << QStringList{"www.reg.example", "www.cd.com"};
        QTest::newRow("not checked, site")
            << 3 << "ef.com could not be checked." << com << QStringList{"www.reg.example"};
        QTest::newRow("free, no site") << 4 << "ab.nu is available!" << nu << QStringList{};
        QTest::newRow("taken, no site") << 5 << "cd.nu is unavailable." << nu << QStringList{};
        QTest::newRow("bare name: the column's label")
            << 0 << "cd.co.uk is unavailable."
            << "Goto .co.uk registration website." << QStringList{"http://uk.example", "www.cd.co.uk"};
    }
    void popup()
    {
        QFETCH(int, row);
        QFETCH(QStringList, opened);
        m_ns->freeNames = {"ab.com", "ab.nu"};
        m_silent = {"ef.com"};
        frmResults* results = row ? run("ab.com cd.com ef.com ab.nu cd.nu") : run("cd", true);
        QVERIFY(results && QTest::qWaitForWindowExposed(results));
        // The current cell is the last one painted: clicking it is no change.
        const int column = row ? 1 : 2;
        row = qMax(row, 1);
        const QTableWidgetItem* current = results->Resultgrid->currentItem();
        click(results, current->column() + 1, current->row() + 1);
        QVERIFY(!results->mnuPopup->isVisible());
        if (current == results->Resultgrid->item(row - 1, column - 1)) {
            click(results, 1, 1);
            QVERIFY(results->mnuPopup->isVisible());
            results->mnuPopup->hide();
        }
        click(results, column, row);
        QTRY_VERIFY(results->mnuPopup->isVisible());
        QTEST(results->mnuTitle->text(), "title");
        QTEST(results->mnuGoto->text(), "gotoCaption");
        QCOMPARE(results->mnuGoto->isEnabled(), !opened.isEmpty());
        QVERIFY(!results->mnuDisplay->isVisible());
        QCOMPARE(results->mnuWww->isVisible(), opened.size() == 2);
        QCOMPARE(results->mnuWhois2->text(), "Lookup " + CheckResults(column, row).domain + " with WHOIS");
        results->mnuPopup->hide();
        results->mnuGoto->trigger();
        if (results->mnuWww->isVisible())
            results->mnuWww->trigger();
        QCOMPARE(m_platform->openedUrls, opened);
    }

    // The last of 300 rows; its WHOIS entry empties the lookup window and asks about that row's candidate.
    void popupOnLastOfManyRows()
    {
        QStringList list;
        for (int i = 1; i <= 300; ++i)
            list.append(QStringLiteral("n%1.com").arg(i));
        frmResults* results = run(list.join(' '));
        QVERIFY(results && QTest::qWaitForWindowExposed(results));
        click(results, 1, 1);
        click(results, 1, 300);
        QCOMPARE(results->mnuTitle->text(), QStringLiteral("n300.com is unavailable."));
        frmWhois* whois = Forms::whois();
        whois->Whois1->setPort(m_whois->port());
        whois->WhoisListBox->setCurrentIndex(2);
        whois->WhoisOutput->setPlainText("earlier lookup");
        m_whois->setDefaultScript(FakeWhoisServer::reply("No match for \"N300.COM\".\r\n"));
        results->mnuWhois2->trigger();
        QVERIFY(whois->isVisible());
        QCOMPARE(whois->WhoisListBox->currentIndex(), 0);
        QCOMPARE(whois->BottomLabel->text(), QStringLiteral("You can do more lookups without closing this window."));
        QTRY_COMPARE(whois->WhoisOutput->toPlainText(), QStringLiteral("No match for \"N300.COM\".\n"));
        QCOMPARE(asked(), QStringList{"n300.com"});
    }

    void copy_data()
    {
        QTest::addColumn<QString>("selected"); // the personal selection
        QTest::addColumn<QString>("text");
        QTest::newRow("two columns, three rows") << "com nu"
                                                 << "ab.com is available (check www.reg.example)\r\n"
                                                    "cd.com is unavailable.\r\nef.com was not checked.\r\n"
                                                    "ab.nu is unavailable.\r\ncd.nu is available\r\n"
                                                    "ef.nu was not checked.\r\n";
        QTest::newRow("no columns") << ""
                                    << "";
    }
    void copy()
    {
        QFETCH(QString, selected);
        for (int i = 0; i < Utils::TldCount; ++i)
            Utils::DomainTable[i].Selected = selected.split(' ').contains(Utils::DomainTable[i].Tld);
        m_ns->freeNames = {"ab.com", "cd.nu"};
        m_silent = {"ef.com", "ef.nu"};
        frmResults* results = run("ab cd ef", true);
        for (int tick = 0; tick < 20 && results->isBusy(); ++tick)
            m_ticks->fire(); // a run without columns only waits out its ticks
        results->mnuCopy->trigger();
        QTEST(m_platform->clipboard.value(0), "text");
        QCOMPARE(m_platform->messages.size(), 1);
        QCOMPARE(m_platform->messages.at(0).text, QStringLiteral("Results have been copied to the clipboard."));
        QCOMPARE(m_platform->messages.at(0).icon, Platform::NoIcon);
    }

    // "ab.com cd.nu ef.com gh.com": the nu server refuses, gh.com gets no DNS answer and is never asked.
    void confirmation_data()
    {
        QTest::addColumn<QStringList>("free");    // by the name server
        QTest::addColumn<QStringList>("replies"); // one per connection to 127.0.0.1; HANG: no answer, no close
        QTest::addColumn<QStringList>("asked");
        QTest::addColumn<QString>("statuses");
        const QStringList ab{"ab.com"};
        QTest::newRow("No match, more text")
            << ab << QStringList{"No match for \"AB.COM\".\r\n>>> Last update\r\n"} << ab << "2113";
        QTest::newRow("No entries found")
            << ab << QStringList{"% No entries found for the source.\r\n"} << ab << "2113";
        QTest::newRow("marker in lower case") << ab << QStringList{"no entries found\r\n"} << ab << "1113";
        QTest::newRow("empty reply") << ab << QStringList{""} << ab << "1113";
        QTest::newRow("hanging server, then the next")
            << QStringList{"ab.com", "ef.com"} << QStringList{"HANG", "No match\r\n"} << QStringList{"ab.com", "ef.com"}
            << "3123";
        QTest::newRow("refused, then the next")
            << QStringList{"cd.nu", "ef.com"} << QStringList{"No match\r\n"} << QStringList{"ef.com"} << "1323";
    }
    void confirmation()
    {
        QFETCH(QStringList, free);
        QFETCH(QStringList, replies);
        Utils::AppSettings.ConfirmWhois = true;
        WhoisConfirmation::limits.exchangeMs = 400;
        m_ns->freeNames = QSet<QString>(free.begin(), free.end());
        m_silent = {"gh.com"};
        for (const QString& reply : replies)
            m_whois->enqueue(reply == "HANG" ? hang() : FakeWhoisServer::reply(reply.toUtf8()));
        QElapsedTimer clock;
        frmResults* results = run("ab.com cd.nu ef.com gh.com");
        clock.start();
        QVERIFY(results && results->WhoisPhase && results->ProgressBar->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(results->butCancelOk->text(), QStringLiteral("Close"), 5000);
        QVERIFY(clock.elapsed() < 400 * replies.count("HANG") + 1500); // the shortened bound, no more
        QVERIFY(!results->WhoisPhase && !results->ProgressBar->isVisible());
        QCOMPARE(results->ProgressBar->value(), 4); // every cell, asked or not
        QTEST(asked(), "asked");
        QString statuses;
        for (int r = 1; r <= 4; ++r) {
            statuses += QString::number(CheckResults(1, r).status);
            QCOMPARE(results->shownStatus(1, r), int(CheckResults(1, r).status));
        }
        QTEST(statuses, "statuses");
        QVERIFY(m_platform->messages.isEmpty());
    }

    // Ending while a server keeps the first question open; no popup, no second Check meanwhile.
    void endedDuringConfirmation_data()
    {
        QTest::addColumn<QString>("how");
        for (const char* how : {"button", "escape", "close box", "exit", "program ends"})
            QTest::newRow(how) << how;
    }
    void endedDuringConfirmation()
    {
        QFETCH(QString, how);
        Utils::AppSettings.ConfirmWhois = true;
        m_ns->freeNames = {"ab.com", "cd.com"};
        m_whois->setDefaultScript(hang());
        WhoisConfirmation::limits.exchangeMs = 60 * 1000;
        Forms::results()->show();
        Forms::results()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Forms::results()));
        frmResults* results = run("ab.com cd.com");
        QTRY_COMPARE(m_whois->requests.size(), 1);
        QCOMPARE(results->ProgressBar->format(), QStringLiteral("WHOIS : ab.com"));
        QCOMPARE(results->butCancelOk->text(), QStringLiteral("Cancel"));
        click(results, 1, 1);
        QVERIFY(!results->mnuPopup->isVisible());
        Forms::main()->names->setText("xy");
        Forms::main()->activate_Click();
        QCOMPARE(Utils::CheckList[0], QStringLiteral("ab.com"));

        QSignalSpy closed(m_whois.get(), &FakeWhoisServer::connectionClosed);
        if (how == "button")
            QTest::mouseClick(results->butCancelOk, Qt::LeftButton);
        else if (how == "escape")
            QTest::keyClick(results, Qt::Key_Escape);
        else if (how == "close box")
            results->close();
        else if (how == "exit")
            results->mnuExit->trigger();
        else
            Forms::destroyAll();
        QTRY_VERIFY(!Forms::resultsIfLoaded());
        QVERIFY(!closed.isEmpty() || closed.wait(2000));
        QTest::qWait(50);
        QCOMPARE(asked(), QStringList{"ab.com"});
    }
};

QTEST_MAIN(TestResultsActions)
#include "tst_resultsactions.moc"
