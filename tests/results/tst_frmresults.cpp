#include "core/Forms.h"
#include "core/Utils.h"
#include "core/frmMain.h"
#include "dns/CheckRun.h"
#include "dns/DNS.h"
#include "results/WhoisConfirmation.h"
#include "results/frmResults.h"
#include "support/FakeWhoisServer.h"
#include "support/FakeNameServer.h"
#include "support/ManualTickSource.h"
#include "support/ScriptedTransport.h"
#include "support/TestPlatform.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

class TestResults : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<TestPlatform> m_platform;
    std::unique_ptr<FakeNameServer> m_ns;
    QPointer<ManualTickSource> m_ticks;

    frmResults* check(const QString& text, bool personal = false)
    {
        if (personal)
            Utils::SaveSetting(QStringLiteral("main"), QStringLiteral("domains"), QStringLiteral("personal"));
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
            if (!QTest::qWaitFor([&] { return run->repliesReceived() + run->refusalsReceived() >= sent; }, 5000))
                return false;
            m_ticks->fire();
        }
        return false;
    }

    static QString names(int count)
    {
        QStringList list;
        for (int i = 1; i <= count; ++i)
            list.append(QStringLiteral("n%1").arg(i));
        return list.join(QLatin1Char(' '));
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        resetProgramState(m_dir.path());
        Utils::SaveSetting(QStringLiteral("main"), QStringLiteral("domains"), QStringLiteral("default"));
        m_platform = std::make_unique<TestPlatform>();
        m_ns = std::make_unique<FakeNameServer>();
        QVERIFY(m_ns->isListening());
        DNS::NameServerPort = m_ns->port();
        Utils::AppSettings.NameServer = QStringLiteral("127.0.0.1");
        Utils::AppSettings.QueryDelay = 5;
        Utils::AppSettings.Retries = 1;
        Utils::InitDefaultDomains();
        Utils::TldCount = 3;
        // WHOIS questions stay on this machine.
        const QString whois = QStringLiteral("127.0.0.1");
        WhoisConfirmation::limits.port = FakeWhoisServer::refusedPort();
        Utils::DomainTable[0] = {QStringLiteral("com"), {}, {}, {}, 1, {}, whois};
        Utils::DomainTable[1] = {QStringLiteral("uk"), {}, {}, {}, 1, QStringLiteral("co:org:"), whois};
        Utils::DomainTable[2] = {QStringLiteral("nu"), {}, {}, {}, 0, {}, whois};
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
        CheckRun::transportFactory = {};
        DNS::NameServerPort = 53;
        WhoisConfirmation::limits = {};
        m_ns.reset();
        m_platform.reset();
    }

    void columns_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("personal");
        QTest::addColumn<QStringList>("headings");
        QTest::addColumn<int>("alignment");
        QTest::addColumn<QStringList>("domains"); // column by column
        QTest::addColumn<QString>("lastTld");
        QTest::newRow("default list") << "ab cd" << false
                                      << QStringList{"com", "net", "org", "us", "to", "tv", "tm", "nu"}
                                      << int(Qt::AlignLeft | Qt::AlignVCenter)
                                      << QStringList{"ab.com", "cd.com", "ab.net", "cd.net", "ab.org", "cd.org",
                                                     "ab.us",  "cd.us",  "ab.to",  "cd.to",  "ab.tv",  "cd.tv",
                                                     "ab.tm",  "cd.tm",  "ab.nu",  "cd.nu"}
                                      << "nu";
        QTest::newRow("personal, second-level labels")
            << "ab" << true << QStringList{"com", "co.uk", "org.uk", ".uk"} << int(Qt::AlignCenter)
            << QStringList{"ab.com", "ab.co.uk", "ab.org.uk", "ab..uk"} << "uk";
        QTest::newRow("complete names") << "ab.nu cd" << false << QStringList{"Free?"}
                                        << int(Qt::AlignLeft | Qt::AlignVCenter) << QStringList{"ab.nu", "cd"} << "com";
    }
    void columns()
    {
        QFETCH(QString, typed);
        QFETCH(bool, personal);
        QFETCH(QStringList, headings);
        QFETCH(QStringList, domains);
        frmResults* results = check(typed, personal);
        QVERIFY(results);
        QCOMPARE(results->ColumnCount, headings.size());
        QCOMPARE(results->Resultgrid->columnCount(), headings.size());
        QCOMPARE(results->Resultgrid->rowCount(), Utils::CheckCount);
        for (int c = 1; c <= results->ColumnCount; ++c) {
            QCOMPARE(results->Resultgrid->horizontalHeaderItem(c - 1)->text(), headings.at(c - 1));
            QTEST(results->Resultgrid->horizontalHeaderItem(c - 1)->textAlignment(), "alignment");
        }
        QCOMPARE(results->ColumnLabels.mid(1), Utils::BareNames ? headings : QStringList());
        QStringList built;
        for (int c = 1; c <= results->ColumnCount; ++c) {
            for (int r = 1; r <= Utils::CheckCount; ++r) {
                built.append(CheckResults(c, r).domain);
                QCOMPARE(int(CheckResults(c, r).queryId), int(built.size()));
                QCOMPARE(CheckResults(c, r).status, quint8(Pending));
            }
        }
        QCOMPARE(built, domains);
        QTEST(CheckResults(results->ColumnCount, Utils::CheckCount).tld, "lastTld");
        QCOMPARE(results->windowTitle(), QStringLiteral("Orlevan results"));
        QTRY_COMPARE(m_ns->queries.size(), 1);
        QCOMPARE(m_ns->queries.at(0).name, domains.at(0));
    }

    void limit_data()
    {
        QTest::addColumn<int>("nameCount");
        QTest::addColumn<QString>("subLabels");
        QTest::addColumn<int>("candidates");
        QTest::newRow("2047") << 2047 << "" << 2047;
        QTest::newRow("2048") << 2048 << "" << 2048;
        QTest::newRow("600 names, four labels") << 600 << "co:org:me:ltd" << 2400;
    }
    void limit()
    {
        QFETCH(int, nameCount);
        QFETCH(QString, subLabels);
        QFETCH(int, candidates);
        Utils::DomainTable[0].Selected = 0;
        Utils::DomainTable[1].SubLabels = subLabels;
        frmResults* results = check(names(nameCount), true);
        if (candidates <= DNS::MaxCandidates) {
            QVERIFY(results && results->isBusy());
            QCOMPARE(results->CandidateTotal, candidates);
            QCOMPARE(results->ProgressBar->maximum(), candidates + 1);
            QVERIFY(m_platform->messages.isEmpty());
            QTRY_COMPARE(m_ns->queries.size(), 1);
            return;
        }
        QCOMPARE(m_platform->messages.size(), 1);
        QCOMPARE(m_platform->messages.at(0).text, QStringLiteral("Sorry, you have too many combinations of domains.\r"
                                                                 "The maximum number allowed is 2047 and you have %1")
                                                      .arg(candidates));
        QCOMPARE(m_platform->messages.at(0).icon, Platform::Critical);
        QTRY_VERIFY(!Forms::resultsIfLoaded());
        QTest::qWait(20);
        QVERIFY(m_ns->queries.isEmpty());
    }

    void tooLongLabelRefused()
    {
        frmResults* results = check(QString(256, QLatin1Char('a')));
        QVERIFY(!results || !results->isBusy());
        QCOMPARE(m_platform->messages.size(), 1);
        QVERIFY(m_platform->messages.at(0).text.contains(QStringLiteral("at most 255 characters")));
        QTRY_VERIFY(!Forms::resultsIfLoaded());
        QTest::qWait(20);
        QVERIFY(m_ns->queries.isEmpty());
    }

    void emptyPersonalSelection()
    {
        Utils::DomainTable[0].Selected = 0;
        Utils::DomainTable[1].Selected = 0;
        Utils::AppSettings.Retries = 2;
        frmResults* results = check(QStringLiteral("ab cd"), true);
        QCOMPARE(results->ColumnCount, 0);
        QCOMPARE(results->Resultgrid->rowCount(), 2);
        for (int tick = 1; tick < 2 * 3 + 10; ++tick)
            m_ticks->fire();
        QVERIFY(results->isBusy());
        m_ticks->fire();
        QVERIFY(!results->isBusy());
        QCOMPARE(results->butCancelOk->text(), QStringLiteral("Close"));
        QCOMPARE(results->ContentWidth,
                 ResultsLayout::toTwips(results->fontMetrics().horizontalAdvance("ab"), results->dpi()) + 50);
        QVERIFY(m_ns->queries.isEmpty());
    }

    // The window through a whole run: what it shows while running, after it, and after the confirmation.
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
        m_ns->freeNames = {QStringLiteral("ab.com"), QStringLiteral("cd.net")};
        frmResults* results = check(QStringLiteral("ab cd"));
        QVERIFY(results->isBusy());
        QCOMPARE(results->butCancelOk->text(), QStringLiteral("Cancel"));
        QVERIFY(results->ProgressBar->isVisible());
        QCOMPARE(results->ProgressBar->format(), QStringLiteral("Checking Domains"));
        for (QMenu* menu : {results->mnuFile, results->mnuEdit, results->mnuTools})
            QVERIFY(!menu->menuAction()->isEnabled());
        QTRY_COMPARE(results->RepliesReceived, qint16(1));
        QCOMPARE(results->ProgressBar->value(), 1);
        QCOMPARE(results->shownStatus(1, 1), int(Free));
        QCOMPARE(results->shownStatus(1, 2), -1); // not painted before its reply

        QVERIFY(finish(results));
        QVERIFY(!Utils::CheckRunning);
        for (QMenu* menu : {results->mnuFile, results->mnuEdit, results->mnuTools})
            QVERIFY(menu->menuAction()->isEnabled());
        QCOMPARE(results->ProgressBar->isVisible(), confirm);
        QCOMPARE(results->isBusy(), confirm);
        QCOMPARE(results->WhoisPhase, confirm);
        QCOMPARE(results->butCancelOk->text(), confirm ? QStringLiteral("Cancel") : QStringLiteral("Close"));
        QTRY_VERIFY(!results->isBusy());
        QCOMPARE(results->butCancelOk->text(), QStringLiteral("Close"));
        QCOMPARE(results->RepliesReceived, qint16(16));
        for (int c = 1; c <= 8; ++c) {
            for (int r = 1; r <= 2; ++r)
                QCOMPARE(results->shownStatus(c, r), (c == r) ? int(Free) : int(Taken));
        }
        // After the run the current cell is the last one painted.
        QCOMPARE(results->Resultgrid->currentRow(), 1);
        QCOMPARE(results->Resultgrid->currentColumn(), 7);
        // Esc no longer closes the window once the button reads Close.
        QTest::keyClick(results, Qt::Key_Escape);
        QVERIFY(Forms::resultsIfLoaded());
    }

    // Cancel, Esc, the close box and File > Exit, at every stage of a run.
    void cancelAtEveryStage_data()
    {
        QTest::addColumn<QString>("stage");
        QTest::addColumn<QString>("how");
        for (const char* stage : {"resolving", "sending", "pause", "drain", "whois"}) {
            for (const char* how : {"button", "escape", "close box", "exit"})
                QTest::addRow("%s, %s", stage, how) << stage << how;
        }
    }
    void cancelAtEveryStage()
    {
        QFETCH(QString, stage);
        QFETCH(QString, how);
        Utils::AppSettings.ConfirmWhois = stage == QLatin1String("whois");
        if (stage == QLatin1String("resolving")) {
            Utils::AppSettings.NameServer = QStringLiteral("localhost");
            QVERIFY(m_ns->alsoListenOn(QHostAddress::LocalHostIPv6));
        }
        m_ns->answering = false;
        if (how == QLatin1String("escape")) {
            Forms::results()->show();
            Forms::results()->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(Forms::results()));
        }
        frmResults* results = check(QStringLiteral("ab cd"));
        QPointer<CheckRun> run = results->currentRun();
        if (stage == QLatin1String("resolving"))
            QCOMPARE(run->state(), CheckRun::State::Resolving);
        const int ticksBefore = stage == QLatin1String("sending") ? 3
                                : stage == QLatin1String("pause") ? 17
                                : stage == QLatin1String("drain") ? 22
                                : stage == QLatin1String("whois") ? 30
                                                                  : 0;
        for (int i = 0; i < ticksBefore; ++i)
            m_ticks->fire();
        QCOMPARE(results->isBusy(), true);
        QCOMPARE(results->WhoisPhase, stage == QLatin1String("whois"));

        if (how == QLatin1String("button"))
            QTest::mouseClick(results->butCancelOk, Qt::LeftButton);
        else if (how == QLatin1String("escape"))
            QTest::keyClick(results, Qt::Key_Escape);
        else if (how == QLatin1String("close box"))
            results->close();
        else
            results->mnuExit->trigger();
        QTRY_VERIFY(!Forms::resultsIfLoaded());
        QVERIFY(!run);
        qsizetype asked = stage == QLatin1String("resolving") ? 0 : qMin(ticksBefore + 1, 16);
        // Exit lets pending events run first: the name may resolve and the first query leave meanwhile.
        if (stage == QLatin1String("resolving") && how == QLatin1String("exit")) {
            QTest::qWait(20);
            asked = m_ns->queries.size();
        }
        QVERIFY(asked <= 1 || stage != QLatin1String("resolving"));
        QTRY_COMPARE(m_ns->queries.size(), asked);
        QTest::qWait(20);
        QCOMPARE(m_ns->queries.size(), asked);
        // Nothing of the completion happened unless the run had completed.
        QCOMPARE(Utils::CheckRunning, stage != QLatin1String("whois"));
        if (stage != QLatin1String("whois"))
            QCOMPARE(CheckResults(1, 1).status, quint8(Pending));

        // A later Check starts afresh.
        m_ns->answering = true;
        results = check(QStringLiteral("ef"));
        QVERIFY(results && results->isBusy());
        QTRY_VERIFY(!m_ns->queries.isEmpty() && m_ns->queries.last().name == QLatin1String("ef.com"));
    }

    void checkWhileBusyIsRefused()
    {
        frmResults* results = check(QStringLiteral("ab cd"));
        CheckRun* run = results->currentRun();
        Forms::main()->names->setText(QStringLiteral("xy"));
        Forms::main()->activate_Click();
        QCOMPARE(Forms::resultsIfLoaded(), results);
        QCOMPARE(results->currentRun(), run);
        QCOMPARE(Utils::CheckCount, qint16(2));
        QCOMPARE(Utils::CheckList[0], QStringLiteral("ab"));
    }

    // Closing the window or ending the program with replies and a message box in flight.
    void closedMidRun_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("close during replies") << "close";
        QTest::newRow("program ends") << "destroy";
        QTest::newRow("close inside the Winsock error box") << "box";
    }
    void closedMidRun()
    {
        QFETCH(QString, how);
        QPointer<ScriptedTransport> transport;
        if (how == QLatin1String("box")) {
            CheckRun::transportFactory = [&transport] {
                auto made = std::make_unique<ScriptedTransport>();
                transport = made.get();
                return made;
            };
        }
        frmResults* results = check(names(40));
        for (int i = 0; i < 20; ++i)
            m_ticks->fire();
        if (how == QLatin1String("box")) {
            m_platform->onMessage = [&](const TestPlatform::Message&) {
                results->close();
                QTest::qWait(5); // the deferred deletion may run while the box is open
                m_ticks.isNull() ? void() : m_ticks->fire();
            };
            transport->raiseError();
            QTRY_COMPARE(m_platform->messages.size(), 1);
        } else if (how == QLatin1String("close")) {
            results->close();
        } else {
            Forms::destroyAll();
        }
        QTRY_VERIFY(!Forms::resultsIfLoaded());
        QTest::qWait(20);
        QVERIFY(!transport);
    }

    // Answers for the last of 300 rows move the current cell there, but the view stays at the top.
    void paintingDoesNotScroll()
    {
        QStringList list;
        for (int i = 1; i <= 300; ++i)
            list.append(QStringLiteral("n%1.com").arg(i));
        m_ns->answering = false;
        frmResults* results = check(list.join(QLatin1Char(' ')));
        results->resize(400, 300);
        QTRY_VERIFY(results->isVisible());
        QCOMPARE(results->Resultgrid->verticalScrollBar()->value(), 0);
        for (int i = 1; i < 300; ++i) {
            m_ticks->fire();
            if (i % 50 == 0)
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
        frmResults* results = check(QStringLiteral("ab"));
        QVERIFY(finish(results));
        QTRY_COMPARE(results->butCancelOk->text(), QStringLiteral("Close"));
        QCOMPARE(m_platform->messages.size(), 1);
        QVERIFY(m_platform->messages.at(0).text.contains(QStringLiteral("would not answer")));
        QVERIFY(m_platform->messages.at(0).text.contains(QStringLiteral("DNS Settings")));
        QCOMPARE(m_ns->queries.size(), 16);
        QCOMPARE(results->shownStatus(8, 1), int(NotChecked));
        QCOMPARE(results->RepliesReceived, qint16(0));
    }

    void windowSizedToGrid()
    {
        frmResults* results = check(QStringLiteral("ab cd"));
        QVERIFY(QTest::qWaitForWindowExposed(results));
        const double dpi = results->dpi();
        const auto twips = [dpi](int pixels) {
            return ResultsLayout::toTwips(pixels, dpi);
        };
        const QSize outer = results->frameGeometry().size();
        QVERIFY(qAbs(twips(outer.width()) - results->DesiredWidth) <= twips(1));
        QVERIFY(qAbs(twips(outer.height()) - results->DesiredHeight) <= twips(1));
        QCOMPARE(results->DesiredHeight, 3 * 301.0 + 1400);
        QCOMPARE(results->butCancelOk->x(), ResultsLayout::toPixels(twips(outer.width()) - 1365, dpi));
        QCOMPARE(results->Resultgrid->height(), ResultsLayout::toPixels(twips(outer.height()) - 1170, dpi));

        // Larger than the grid needs snaps back; smaller stays, and too small leaves the controls alone.
        results->resize(results->size() + QSize(200, 150));
        QTRY_COMPARE(results->frameGeometry().size(), outer);
        const QRect button = results->butCancelOk->geometry();
        results->resize(100, 80);
        QTRY_COMPARE(results->size(), QSize(100, 80));
        QCOMPARE(results->butCancelOk->geometry(), button);
    }

    // Every cell shows its one picture in its middle, however wide the column.
    void picturesCentredOnce()
    {
        Utils::DomainTable[0].Selected = 0;
        Utils::DomainTable[1].SubLabels = QStringLiteral("averyverywidelabel");
        frmResults* results = check(QStringLiteral("ab"), true);
        QVERIFY(finish(results));
        QVERIFY(QTest::qWaitForWindowExposed(results));
        const QImage image = results->Resultgrid->viewport()->grab().toImage();
        const QRect cell = results->Resultgrid->visualItemRect(results->Resultgrid->item(0, 0));
        QVERIFY(cell.width() > 60);
        int left = cell.right();
        int right = cell.left();
        for (int y = cell.top(); y <= cell.bottom(); ++y) {
            for (int x = cell.left(); x <= cell.right(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                if (pixel.red() > 150 && pixel.green() < 90 && pixel.blue() < 90) {
                    left = qMin(left, x);
                    right = qMax(right, x);
                }
            }
        }
        QVERIFY2(right - left < 20, "more than one picture in the cell");
        QVERIFY(qAbs((left + right) / 2 - cell.center().x()) <= 2);
    }

    void pictures()
    {
        frmResults* results = Forms::results();
        const QList<QPair<QPixmap, QColor>> expected = {{results->free, QColor(0, 145, 113)},
                                                        {results->taken, QColor(227, 2, 2)},
                                                        {results->unknown, QColor(50, 16, 222)}};
        for (const auto& [pixmap, colour] : expected) {
            QCOMPARE(pixmap.size(), QSize(20, 17));
            const QImage image = pixmap.toImage();
            QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
            bool found = false;
            for (int y = 0; y < 17 && !found; ++y) {
                for (int x = 0; x < 20 && !found; ++x)
                    found = image.pixelColor(x, y) == colour;
            }
            QVERIFY(found);
        }
    }
};

QTEST_MAIN(TestResults)
#include "tst_frmresults.moc"
