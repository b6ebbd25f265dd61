#include "core/Utils.h"
#include "core/WatchList.h"
#include "core/WatchSchedule.h"
#include "support/Suite.h"

using State = WatchEntry::State;
Q_DECLARE_METATYPE(WatchEntry)
Q_DECLARE_METATYPE(WatchSighting)

// The watch list without a network: what counts as a change, and the file shared by the window and the terminal.
class TestWatch : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    static QDate day(const char* iso) { return QDate::fromString(QLatin1String(iso), Qt::ISODate); }
    // A registration as the last check, on `checked`, saw it.
    static WatchEntry entry(State state, const QStringList& status = {"active"}, const char* expires = "2031-03-04",
                            const QString& registrar = "R", const char* checked = "2031-01-01", bool detailed = true)
    {
        WatchEntry e;
        e.ascii = e.domain = "a.com";
        e.state = state;
        e.registryStatus = status;
        e.expires = day(expires);
        e.registrar = registrar;
        e.detailed = detailed;
        e.checked = day(checked).startOfDay();
        return e;
    }
    static WatchSighting seen(State state, const QStringList& status = {"active"}, const char* expires = "2031-03-04",
                              const QString& registrar = "R", bool detailed = true)
    {
        return {state, detailed, registrar, day(expires), status, {}, {}};
    }

private Q_SLOTS:
    void init() { resetProgramState(m_dir.path()); }

    void changes_data()
    {
        QTest::addColumn<WatchEntry>("before");
        QTest::addColumn<WatchSighting>("now");
        QTest::addColumn<QString>("today");
        QTest::addColumn<QString>("said");
        const auto row = [](const char* name, const WatchEntry& before, const WatchSighting& now, const char* today,
                            const char* said) {
            QTest::newRow(name) << before << now << today << said;
        };
        const WatchEntry taken = entry(State::Taken);
        row("first check", entry(State::NotChecked, {}, "", ""), seen(State::Taken), "2031-01-02", "");
        row("not checked now", taken, seen(State::NotChecked), "2031-01-02", "");
        row("nothing new", taken, seen(State::Taken, {"ACTIVE"}, "2031-03-04", "r"), "2031-01-02", "");
        row("came free", taken, seen(State::Free, {}, "", ""), "2031-01-02", "came free");
        row("registered", entry(State::Free, {}, "", ""), seen(State::Taken), "2031-01-02", "was registered");
        row("status words", entry(State::Taken, {"active", "client hold"}), seen(State::Taken, {"pending delete"}),
            "2031-01-02", "new status: pending delete; status gone: active; status gone: client hold");
        row("renewed", taken, seen(State::Taken, {"active"}, "2032-03-04"), "2031-01-02", "renewed until 2032-03-04");
        row("new registrar", taken, seen(State::Taken, {"active"}, "2031-03-04", "S"), "2031-01-02",
            "new registrar: S");
        row("no details now", taken, seen(State::Taken, {}, "", "", false), "2031-01-02", "");
        row("no details before", entry(State::Taken, {}, "", "", "2031-01-01", false),
            seen(State::Taken, {"client hold"}, "2032-03-04", "S"), "2031-01-02", "");
        row("31 days left", taken, seen(State::Taken), "2031-02-01", "");
        row("30 days left", taken, seen(State::Taken), "2031-02-02", "expires within 30 days, on 2031-03-04");
        row("30 days told before", entry(State::Taken, {"active"}, "2031-03-04", "R", "2031-02-02"), seen(State::Taken),
            "2031-02-03", "");
        row("expired", taken, seen(State::Taken, {"active"}, "2031-01-20"), "2031-02-01",
            "expiry moved to 2031-01-20; expired on 2031-01-20");
    }
    void changes()
    {
        QFETCH(WatchEntry, before);
        QFETCH(WatchSighting, now);
        QFETCH(QString, today);
        QFETCH(QString, said);
        const QDateTime at = QDate::fromString(today, Qt::ISODate).startOfDay();
        before.change = "earlier";
        before.changed = at.addDays(-9);
        const WatchEntry after = Watch::updated(before, now, at);
        QCOMPARE(Watch::changes(before, now, at.date()).join("; "), said);
        // A change is kept with its time; a check that says nothing keeps the last one, one not made keeps all.
        QCOMPARE(after.change, said.isEmpty() ? before.change : said);
        QCOMPARE(after.changed, said.isEmpty() ? before.changed : at);
        if (now.state == State::NotChecked)
            QCOMPARE(Watch::toJson({after}), Watch::toJson({before}));
        else
            QCOMPARE(after.checked, at);
        // Without details the last ones told stay; a free name has none.
        const QStringList status = now.detailed ? now.registryStatus : before.registryStatus;
        QCOMPARE(after.registryStatus, now.state == State::Free ? QStringList() : status);
    }

    // A list holds as many names as one check asks; a name already there adds nothing, even to a full list.
    void fullList()
    {
        QList<WatchEntry> list;
        QList<std::pair<QString, QString>> names;
        for (int i = 0; i < Watch::MaxNames - 1; ++i)
            names.append({QStringLiteral("n%1.com").arg(i), QStringLiteral("n%1.com").arg(i)});
        QVERIFY(!Watch::addAll(list, names, {}));
        QCOMPARE(Watch::addAll(list, {{"x.com", "x.com"}, {"y.com", "y.com"}}, {}).value_or(QString()),
                 "The watch list holds at most 2047 names, as many as one check asks; with these it would hold 2048.");
        QCOMPARE(list.size(), Watch::MaxNames - 1);
        QList<WatchEntry> added;
        QVERIFY(!Watch::addAll(list, {{"X.com", "x.com"}}, {}, &added));
        QVERIFY(!Watch::addAll(list, {{"n1.com", "N1.COM"}}, {}));
        QCOMPARE(list.size(), Watch::MaxNames);
        QCOMPARE(added.value(0).domain, "X.com");
        list.append(list.first()); // made longer by hand: still takes a name it holds
        QVERIFY(!Watch::addAll(list, {{"x.com", "x.com"}}, {}));
    }

    // A check's sightings go into the list as it stands: what another writer changed meanwhile is the "before",
    // and a name it removed stays out.
    void merge()
    {
        QList<WatchEntry> list{entry(State::Taken, {"active"}, "2031-03-04", "Q")};
        QList<WatchEntry> checked{entry(State::Taken), entry(State::Taken)};
        checked[1].ascii = "b.com";
        const WatchSighting sighting = seen(State::Taken);
        const QList<Watch::Outcome> outcomes = Watch::merge(
            &list, checked, [&](int) -> const WatchSighting& { return sighting; }, day("2031-01-08").startOfDay());
        QCOMPARE(outcomes.value(0).changes, QStringList{"new registrar: R"});
        QVERIFY(outcomes.value(1).changes.isEmpty());
        QCOMPARE(list.size(), 1);
        QCOMPARE(list.at(0).registrar, "R");
    }

    void file()
    {
        WatchList list;
        QCOMPARE(list.path(), m_dir.path() + "/data/watched.json");
        WatchEntry e = entry(State::Taken, {"client hold", "renew period"});
        e.domain = QString::fromUtf8("bücher.com");
        e.ascii = "xn--bcher-kva.com";
        e.added = QDateTime(QDate(2030, 5, 6), QTime(7, 8, 9), Qt::UTC);
        e.expiryLines = {"Registry Expiry Date: 2031-03-04"};
        e.change = "renewed until 2031-03-04";
        e.changed = e.added.addDays(1);
        QVERIFY(!list.update([&](QList<WatchEntry>& entries) { return entries.append(e), true; }));
        // A second writer works on the file as it stands, not on a copy of its own.
        WatchList other;
        QVERIFY(!other.update([&](QList<WatchEntry>& entries) { return entries.append(entry(State::Free)), true; }));
        QList<WatchEntry> read;
        QVERIFY(!list.read(&read));
        QCOMPARE(read.size(), 2);
        const auto fields = [](const WatchEntry& w) {
            return QStringList{w.domain,
                               w.ascii,
                               w.added.toUTC().toString(Qt::ISODate),
                               Watch::stateText(w.state),
                               w.registrar,
                               w.expires.toString(),
                               w.registryStatus.join(','),
                               w.expiryLines.join(','),
                               QString::number(w.detailed),
                               w.checked.toUTC().toString(Qt::ISODate),
                               w.change,
                               w.changed.toUTC().toString(Qt::ISODate)}
                .join('|');
        };
        QCOMPARE(fields(read.first()), fields(e));
        // Held by another writer: nothing is changed, and the user is told why.
        const QByteArray before = readFile(list.path());
        QLockFile lock(list.path() + ".lock");
        QVERIFY(lock.tryLock(0));
        other.setLockWait(0);
        QCOMPARE(other.update([](QList<WatchEntry>& entries) { return entries.clear(), true; }),
                 "The watch list " + list.path() + " is being changed by another Orlevan; try again.");
        QCOMPARE(readFile(list.path()), before);
    }

    void damaged_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("cut short") << QByteArray(R"({"watched": [{"ascii": "a.com"})");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("no list") << QByteArray(R"({"watched": {}})");
        QTest::newRow("an entry without its name") << QByteArray(R"({"watched": [{"domain": "a.com"}]})");
    }
    void damaged()
    {
        QFETCH(QByteArray, bytes);
        WatchList list;
        QVERIFY(writeFile(list.path(), bytes));
        bool changed = false;
        const auto failure = list.update([&](QList<WatchEntry>&) { return changed = true; });
        QVERIFY(list.keptAside().startsWith(list.path() + ".damaged-"));
        QCOMPARE(failure, "The watch list " + list.path() + " was damaged; it is kept as " + list.keptAside() +
                              ", and the list starts empty.");
        QVERIFY(!changed);
        QCOMPARE(readFile(list.keptAside()), bytes);
        QVERIFY(!QFile::exists(list.path()));
        // Damaged again within the same second: kept beside the first, under the next number.
        QVERIFY(writeFile(list.path(), bytes));
        WatchList again;
        again.update([](QList<WatchEntry>&) { return true; });
        const qsizetype stem = list.path().size() + QString(".damaged-yyyyMMdd-HHmmss").size();
        if (again.keptAside().left(stem) == list.keptAside().left(stem)) {
            const int n = list.keptAside().size() == stem ? 1 : list.keptAside().mid(stem + 1).toInt();
            QCOMPARE(again.keptAside(), list.keptAside().left(stem) + '-' + QString::number(n + 1));
        }
        // Told once: the next look finds an empty list.
        QList<WatchEntry> read{entry(State::Free)};
        QVERIFY(!WatchList().read(&read));
        QVERIFY(read.isEmpty());
    }

    // The daily check on a clock of the test's own: due a day after the oldest check, at once when late.
    void schedule_data()
    {
        QTest::addColumn<qint64>("agoMs"); // of the last check; -1: a name never checked
        QTest::addColumn<qint64>("waitMs");
        const qint64 hour = 3600 * 1000;
        QTest::newRow("never") << qint64(-1) << qint64(0);
        QTest::newRow("a day and a second ago") << 24 * hour + 1000 << qint64(0);
        QTest::newRow("a day ago") << 24 * hour << qint64(0);
        QTest::newRow("23 hours ago") << 23 * hour << hour;
        QTest::newRow("clock set back") << -2 * hour << 24 * hour;
    }
    void schedule()
    {
        QFETCH(qint64, agoMs);
        QFETCH(qint64, waitMs);
        const QDateTime now(QDate(2031, 2, 1), QTime(12, 0), Qt::UTC);
        QList<WatchEntry> entries{entry(State::Taken), entry(State::Free)};
        entries[1].checked = agoMs == -1 ? QDateTime() : now.addMSecs(-agoMs);
        entries[0].checked = now.addMSecs(1000 - agoMs); // another name, checked later
        const QDateTime last = WatchSchedule::lastCheck(entries);
        QCOMPARE(last, entries[1].checked);
        WatchSchedule schedule([&] { return now; });
        QSignalSpy due(&schedule, &WatchSchedule::due);
        schedule.start(last);
        QCOMPARE(schedule.waitMs(), waitMs);
        if (waitMs == 0)
            QVERIFY(due.wait(1000));
    }
};

QTEST_GUILESS_MAIN(TestWatch)
#include "tst_watch.moc"
