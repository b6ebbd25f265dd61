#include "core/Forms.h"
#include "core/Utils.h"
#include "core/frmMain.h"
#include "dns/CheckRun.h"
#include "dns/DNS.h"
#include "results/WhoisConfirmation.h"
#include "results/frmResults.h"
#include "support/FakeNameServer.h"
#include "support/FakeWhoisServer.h"
#include "support/ManualTickSource.h"
#include "support/TestPlatform.h"
#include "whois/WhoisClient.h"
#include "whois/frmWhois.h"

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

// The results window after a run: the cell popup and its actions, the copy, and the WHOIS confirmation against
// a WHOIS server of the test's own.
class TestResultsActions : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<TestPlatform> m_platform;
    std::unique_ptr<FakeNameServer> m_ns;
    std::unique_ptr<FakeWhoisServer> m_whois;
    QPointer<ManualTickSource> m_ticks;
    QSet<QString> m_silent;

    frmResults* check(const QString& text, bool personal = false)
    {
        Utils::SaveSetting(QStringLiteral("main"), QStringLiteral("domains"),
                           personal ? QStringLiteral("personal") : QStringLiteral("default"));
        frmMain* main = Forms::main();
        main->names->setText(text);
        main->activate_Click();
        return Forms::resultsIfLoaded();
    }

    // Ticks until the run completes, each reply in before the next tick.
    bool finish(frmResults* results)
    {
        for (int tick = 0; tick < 5000; ++tick) {
            CheckRun* run = results->currentRun();
            if (!run || run->state() != CheckRun::State::Running)
                return run && run->state() == CheckRun::State::Completed;
            const int sent = run->queriesSent();
            if (!QTest::qWaitFor([&] { return run->repliesReceived() + silentAsked() >= sent; }, 5000))
                return false;
            m_ticks->fire();
        }
        return false;
    }
    int silentAsked() const
    {
        int n = 0;
        for (const FakeNameServer::Query& query : m_ns->queries)
            n += m_silent.contains(query.name);
        return n;
    }

    static FakeWhoisServer::Script hang() { return {FakeWhoisServer::Mode::Hang, {}, 1, 0}; }

    static void click(frmResults* results, int column, int row)
    {
        QTableWidgetItem* item = results->Resultgrid->item(row - 1, column - 1);
        QVERIFY(item);
        results->Resultgrid->scrollToItem(item);
        QTest::mouseClick(results->Resultgrid->viewport(), Qt::LeftButton, {},
                          results->Resultgrid->visualItemRect(item).center());
    }
    // Clicks the cell so that it becomes current, moving away first when it already is.
    static void openPopup(frmResults* results, int column, int row)
    {
        if (results->Resultgrid->currentRow() == row - 1 && results->Resultgrid->currentColumn() == column - 1) {
            const bool first = column == 1 && row == 1;
            const bool wide = results->ColumnCount > 1;
            click(results, first && wide ? 2 : 1, first && !wide ? 2 : 1);
            results->mnuPopup->hide();
        }
        click(results, column, row);
    }

    static QString statuses(frmResults* results)
    {
        QString shown;
        for (int c = 1; c <= results->ColumnCount; ++c) {
            for (int r = 1; r <= Utils::CheckCount; ++r) {
                if (results->shownStatus(c, r) != CheckResults(c, r).status)
                    return QStringLiteral("cell %1,%2 shows %3").arg(c).arg(r).arg(results->shownStatus(c, r));
                shown += QString::number(CheckResults(c, r).status);
            }
        }
        return shown;
    }

    QStringList asked() const
    {
        QStringList names;
        for (const QByteArray& request : m_whois->requests)
            names.append(QString::fromUtf8(request).trimmed());
        return names;
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        resetProgramState(m_dir.path());
        m_platform = std::make_unique<TestPlatform>();
        m_ns = std::make_unique<FakeNameServer>();
        QVERIFY(m_ns->isListening());
        m_silent.clear();
        m_ns->responder = [this](const FakeNameServer::Query& query) -> std::optional<QByteArray> {
            if (m_silent.contains(query.name))
                return std::nullopt;
            return FakeNameServer::replyFor(query.datagram, m_ns->freeNames.contains(query.name) ? 3 : 0);
        };
        m_whois = std::make_unique<FakeWhoisServer>();
        QVERIFY(m_whois->start());
        WhoisConfirmation::limits = {m_whois->port(), 2000, 2000};
        DNS::NameServerPort = m_ns->port();
        Utils::AppSettings.NameServer = QStringLiteral("127.0.0.1");
        Utils::AppSettings.QueryDelay = 5;
        Utils::AppSettings.Retries = 1;
        Utils::InitDefaultDomains();
        const QString whois = QStringLiteral("127.0.0.1");
        Utils::TldCount = 3;
        Utils::DomainTable[0] = {QStringLiteral("com"), {}, QStringLiteral("www.reg.example"), {}, 1, {}, whois};
        Utils::DomainTable[1] = {QStringLiteral("uk"), {},   QStringLiteral("http://uk.example"), {}, 1,
                                 QStringLiteral("co"), whois};
        // Nobody listens on this loopback address: its questions are refused.
        Utils::DomainTable[2] = {QStringLiteral("nu"), {}, {}, {}, 0, {}, QStringLiteral("127.0.0.2")};
        CheckRun::tickSourceFactory = [this] {
            auto ticks = std::make_unique<ManualTickSource>();
            m_ticks = ticks.get();
            return ticks;
        };
    }

    void cleanup()
    {
        Forms::destroyAll();
        CheckRun::tickSourceFactory = {};
        DNS::NameServerPort = 53;
        WhoisConfirmation::limits = {};
        m_whois.reset();
        m_ns.reset();
        m_platform.reset();
    }

    void popupCaptions_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("personal");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("gotoCaption");
        QTest::addColumn<QString>("site"); // empty: Goto disabled
        QTest::addColumn<QString>("www");  // empty: hidden
        const QString names = QStringLiteral("ab.com cd.com ef.com ab.nu cd.nu ef.nu");
        const QString comSite = QStringLiteral("Goto .com registration website.");
        const QString nuNone = QStringLiteral("No registration site known for  .nu");
        QTest::newRow("free, site") << names << false << 1 << 1 << "ab.com is available!" << comSite
                                    << "www.reg.example"
                                    << "";
        QTest::newRow("taken, site") << names << false << 1 << 2 << "cd.com is unavailable." << comSite
                                     << "www.reg.example"
                                     << "www.cd.com";
        QTest::newRow("not checked, site")
            << names << false << 1 << 3 << "ef.com could not be checked." << comSite << "www.reg.example"
            << "";
        QTest::newRow("free, no site") << names << false << 1 << 4 << "ab.nu is available!" << nuNone << ""
                                       << "";
        QTest::newRow("taken, no site") << names << false << 1 << 5 << "cd.nu is unavailable." << nuNone << ""
                                        << "";
        QTest::newRow("not checked, no site, current cell")
            << names << false << 1 << 6 << "ef.nu could not be checked." << nuNone << ""
            << "";
        QTest::newRow("column label of a second-level suffix") << "cd" << true << 2 << 1 << "cd.co.uk is unavailable."
                                                               << "Goto .co.uk registration website."
                                                               << "http://uk.example"
                                                               << "www.cd.co.uk";
    }
    void popupCaptions()
    {
        QFETCH(QString, typed);
        QFETCH(bool, personal);
        QFETCH(int, column);
        QFETCH(int, row);
        QFETCH(QString, site);
        QFETCH(QString, www);
        m_ns->freeNames = {QStringLiteral("ab.com"), QStringLiteral("ab.nu")};
        m_silent = {QStringLiteral("ef.com"), QStringLiteral("ef.nu")};
        frmResults* results = check(typed, personal);
        QVERIFY(finish(results));
        QVERIFY(QTest::qWaitForWindowExposed(results));
        QVERIFY(!results->mnuPopup->isVisible());
        openPopup(results, column, row);
        QTRY_VERIFY(results->mnuPopup->isVisible());
        QTEST(results->mnuTitle->text(), "title");
        QVERIFY(results->mnuTitle->isEnabled() && results->mnuTitle->isVisible());
        QVERIFY(!results->mnuDisplay->isVisible());
        QTEST(results->mnuGoto->text(), "gotoCaption");
        QCOMPARE(results->mnuGoto->isEnabled(), !site.isEmpty());
        QCOMPARE(results->mnuGoto->shortcut(), QKeySequence(QStringLiteral("Ctrl+G")));
        QCOMPARE(results->mnuWww->isVisible(), !www.isEmpty());
        QCOMPARE(results->mnuWhois2->text(),
                 QStringLiteral("Lookup ") + CheckResults(column, row).domain + QStringLiteral(" with WHOIS"));
        QCOMPARE(results->CurrentTld.Tld, CheckResults(column, row).tld);

        results->mnuPopup->hide();
        results->mnuGoto->trigger();
        if (results->mnuWww->isVisible()) {
            QCOMPARE(results->mnuWww->text(), QStringLiteral("Goto ") + www);
            results->mnuWww->trigger();
        }
        QStringList opened;
        if (!site.isEmpty())
            opened << site;
        if (!www.isEmpty())
            opened << www;
        QCOMPARE(m_platform->openedUrls, opened);
    }

    // The last of 300 rows: the popup and its actions name that row's candidate.
    void popupOnLastOfManyRows()
    {
        QStringList list;
        for (int i = 1; i <= 300; ++i)
            list.append(QStringLiteral("n%1.com").arg(i));
        frmResults* results = check(list.join(QLatin1Char(' ')));
        QVERIFY(finish(results));
        QVERIFY(QTest::qWaitForWindowExposed(results));
        openPopup(results, 1, 300);
        QTRY_VERIFY(results->mnuPopup->isVisible());
        QCOMPARE(results->mnuTitle->text(), QStringLiteral("n300.com is unavailable."));
        results->mnuPopup->hide();
        results->mnuWww->trigger();
        QCOMPARE(m_platform->openedUrls, QStringList{QStringLiteral("www.n300.com")});

        // The lookup window: emptied, Autodetect, the candidate asked at its server, the bottom label changed.
        frmWhois* whois = Forms::whois();
        whois->Whois1->setPort(m_whois->port());
        whois->WhoisListBox->setCurrentIndex(2);
        whois->WhoisOutput->setPlainText(QStringLiteral("earlier lookup"));
        m_whois->setDefaultScript(FakeWhoisServer::reply("No match for \"N300.COM\".\r\n"));
        results->mnuWhois2->trigger();
        QCOMPARE(Forms::whoisIfLoaded(), whois);
        QVERIFY(whois->isVisible());
        QCOMPARE(whois->WhoisString->text(), QStringLiteral("n300.com"));
        QCOMPARE(whois->WhoisListBox->currentIndex(), 0);
        QCOMPARE(whois->BottomLabel->text(), QStringLiteral("You can do more lookups without closing this window."));
        QTRY_VERIFY(whois->WhoisOutput->toPlainText().contains(QStringLiteral("N300.COM")));
        QVERIFY(!whois->WhoisOutput->toPlainText().contains(QStringLiteral("earlier")));
        QCOMPARE(asked(), QStringList{QStringLiteral("n300.com")});
    }

    // The popup answers the user's choice of a cell only, never the program's own moves.
    void popupOnlyForTheUsersChoice()
    {
        Utils::AppSettings.ConfirmWhois = true;
        m_ns->freeNames = {QStringLiteral("ab.com")};
        m_whois->enqueue(hang());
        frmResults* results = check(QStringLiteral("ab.com cd.com ef.com"));
        QVERIFY(QTest::qWaitForWindowExposed(results));
        QTRY_COMPARE(results->RepliesReceived, qint16(1));
        click(results, 1, 3);
        QVERIFY(!results->mnuPopup->isVisible());
        QVERIFY(finish(results));
        QTRY_COMPARE(m_whois->requests.size(), 1);
        QVERIFY(results->WhoisPhase);
        click(results, 1, 2);
        QVERIFY(!results->mnuPopup->isVisible());
        // The hanging server runs out of time; the candidate stays unconfirmed and becomes the current cell.
        QTRY_COMPARE_WITH_TIMEOUT(results->butCancelOk->text(), QStringLiteral("Close"), 5000);
        QCOMPARE(CheckResults(1, 1).status, quint8(NotChecked));
        QCOMPARE(results->Resultgrid->currentRow(), 0);
        click(results, 1, 1);
        QVERIFY(!results->mnuPopup->isVisible());
        click(results, 1, 2);
        QTRY_VERIFY(results->mnuPopup->isVisible());
        QCOMPARE(results->mnuTitle->text(), QStringLiteral("cd.com is unavailable."));
    }

    void copy_data()
    {
        QTest::addColumn<QString>("selected"); // personal selection
        QTest::addColumn<QString>("text");
        QTest::newRow("two columns, three rows") << "com nu"
                                                 << "ab.com is available (check www.reg.example)\r\n"
                                                    "cd.com is unavailable.\r\n"
                                                    "ef.com was not checked.\r\n"
                                                    "ab.nu is unavailable.\r\n"
                                                    "cd.nu is available\r\n"
                                                    "ef.nu was not checked.\r\n";
        QTest::newRow("no columns") << ""
                                    << "";
    }
    void copy()
    {
        QFETCH(QString, selected);
        for (int i = 0; i < Utils::TldCount; ++i)
            Utils::DomainTable[i].Selected = selected.split(' ').contains(Utils::DomainTable[i].Tld) ? 1 : 0;
        m_ns->freeNames = {QStringLiteral("ab.com"), QStringLiteral("cd.nu")};
        m_silent = {QStringLiteral("ef.com"), QStringLiteral("ef.nu")};
        frmResults* results = check(QStringLiteral("ab cd ef"), true);
        QVERIFY(finish(results) || results->ColumnCount == 0);
        if (results->ColumnCount == 0) {
            for (int i = 0; i < 20 && results->isBusy(); ++i)
                m_ticks->fire();
        }
        QVERIFY(!results->isBusy());
        results->mnuCopy->trigger();
        QTEST(m_platform->clipboard.value(0), "text");
        QCOMPARE(m_platform->clipboard.size(), 1);
        QCOMPARE(m_platform->messages.size(), 1);
        const TestPlatform::Message& message = m_platform->messages.at(0);
        QCOMPARE(message.text, QStringLiteral("Results have been copied to the clipboard."));
        QCOMPARE(message.buttons, Platform::Ok);
        QCOMPARE(message.icon, Platform::NoIcon);
        QCOMPARE(message.caption, QStringLiteral("Orlevan"));
    }

    // Which free candidates stay free: each row runs "ab.com cd.com ef.com" and asks the server in turn.
    void confirmation_data()
    {
        QTest::addColumn<QStringList>("free");    // by the name server
        QTest::addColumn<QStringList>("replies"); // one per question; HANG: no answer, no close
        QTest::addColumn<QStringList>("asked");
        QTest::addColumn<QString>("statuses");
        const QStringList ab{QStringLiteral("ab.com")};
        QTest::newRow("No match followed by more text")
            << ab << QStringList{"No match for \"AB.COM\".\r\n>>> Last update of whois database <<<\r\n"} << ab
            << "211";
        QTest::newRow("second marker") << ab << QStringList{"%% No entries found for the selected source(s).\r\n"} << ab
                                       << "211";
        QTest::newRow("marker in lower case") << ab << QStringList{"no entries found\r\n"} << ab << "111";
        QTest::newRow("marker in capitals") << ab << QStringList{"NO MATCH FOR AB.COM\r\n"} << ab << "111";
        QTest::newRow("registered") << ab << QStringList{"Domain Name: AB.COM\r\nRegistrar: Someone\r\n"} << ab
                                    << "111";
        QTest::newRow("empty reply") << ab << QStringList{""} << ab << "111";
        QTest::newRow("hanging server, then the next one")
            << QStringList{"ab.com", "ef.com"} << QStringList{"HANG", "No match\r\n"} << QStringList{"ab.com", "ef.com"}
            << "312";
        QTest::newRow("only free cells asked, column by column")
            << QStringList{"cd.com", "ef.com"} << QStringList{"Domain: cd.com\r\n", "No match\r\n"}
            << QStringList{"cd.com", "ef.com"} << "112";
        QTest::newRow("nothing free") << QStringList{} << QStringList{} << QStringList{} << "111";
    }
    void confirmation()
    {
        QFETCH(QStringList, free);
        QFETCH(QStringList, replies);
        Utils::AppSettings.ConfirmWhois = true;
        WhoisConfirmation::limits.exchangeMs = 400;
        for (const QString& name : free)
            m_ns->freeNames.insert(name);
        for (const QString& reply : replies) {
            m_whois->enqueue(reply == QLatin1String("HANG") ? hang() : FakeWhoisServer::reply(reply.toUtf8()));
        }
        frmResults* results = check(QStringLiteral("ab.com cd.com ef.com"));
        QVERIFY(finish(results));
        QElapsedTimer clock;
        clock.start();
        QVERIFY(results->WhoisPhase);
        QVERIFY(results->ProgressBar->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(results->butCancelOk->text(), QStringLiteral("Close"), 5000);
        // A hanging server costs the shortened exchange limit, no more.
        QVERIFY(clock.elapsed() < 400 * replies.count(QStringLiteral("HANG")) + 1500);
        QVERIFY(!results->WhoisPhase && !results->isBusy());
        QVERIFY(!results->ProgressBar->isVisible());
        // Every cell, asked or not, counted once.
        QCOMPARE(results->ProgressBar->value(), 3);
        QTEST(asked(), "asked");
        QTEST(statuses(results), "statuses");
        QVERIFY(m_platform->messages.isEmpty());
    }

    // A server nobody listens on: that candidate is unconfirmed, the window stays and the next one is asked.
    void refusedConnection()
    {
        Utils::AppSettings.ConfirmWhois = true;
        m_ns->freeNames = {QStringLiteral("ab.nu"), QStringLiteral("cd.com")};
        m_whois->enqueue(FakeWhoisServer::reply("No match\r\n"));
        frmResults* results = check(QStringLiteral("ab.nu cd.com"));
        QVERIFY(finish(results));
        QTRY_COMPARE_WITH_TIMEOUT(results->butCancelOk->text(), QStringLiteral("Close"), 5000);
        QCOMPARE(Forms::resultsIfLoaded(), results);
        QCOMPARE(statuses(results), QStringLiteral("32"));
        QCOMPARE(asked(), QStringList{QStringLiteral("cd.com")});
        QCOMPARE(results->ProgressBar->value(), 2);
    }

    // Ending the confirmation while a server keeps the first question open.
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
        m_ns->freeNames = {QStringLiteral("ab.com"), QStringLiteral("cd.com")};
        m_whois->setDefaultScript(hang());
        WhoisConfirmation::limits.exchangeMs = 60 * 1000;
        if (how == QLatin1String("escape")) {
            Forms::results()->show();
            Forms::results()->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(Forms::results()));
        }
        frmResults* results = check(QStringLiteral("ab.com cd.com"));
        QVERIFY(finish(results));
        QTRY_COMPARE(m_whois->requests.size(), 1);
        QCOMPARE(results->ProgressBar->format(), QStringLiteral("WHOIS : ab.com"));
        QCOMPARE(results->butCancelOk->text(), QStringLiteral("Cancel"));
        QCOMPARE(results->ProgressBar->value(), 0);
        QVERIFY(results->Whois2->isConnected());

        // A Check meanwhile is refused; the menus work.
        Forms::main()->names->setText(QStringLiteral("xy"));
        Forms::main()->activate_Click();
        QCOMPARE(Utils::CheckList[0], QStringLiteral("ab.com"));
        QVERIFY(results->WhoisPhase);
        results->mnuCopy->trigger();
        QCOMPARE(m_platform->clipboard.value(0),
                 QStringLiteral("ab.com is available (check www.reg.example)\r\ncd.com is available (check "
                                "www.reg.example)\r\n"));

        QSignalSpy closed(m_whois.get(), &FakeWhoisServer::connectionClosed);
        if (how == QLatin1String("button"))
            QTest::mouseClick(results->butCancelOk, Qt::LeftButton);
        else if (how == QLatin1String("escape"))
            QTest::keyClick(results, Qt::Key_Escape);
        else if (how == QLatin1String("close box"))
            results->close();
        else if (how == QLatin1String("exit"))
            results->mnuExit->trigger();
        else
            Forms::destroyAll();
        QTRY_VERIFY(!Forms::resultsIfLoaded());
        QVERIFY(closed.wait(2000) || closed.size() > 0);
        QTest::qWait(50);
        QCOMPARE(m_whois->requests.size(), 1);
        QCOMPARE(CheckResults(1, 2).status, quint8(Free));
    }
};

QTEST_MAIN(TestResultsActions)
#include "tst_resultsactions.moc"
