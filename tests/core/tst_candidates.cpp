#include "core/Candidates.h"

#include <QTest>

using Candidates::Verdict;

class TestCandidates : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void accepted_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("combinations");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<bool>("bare");

        QTest::newRow("separators") << "ab, cd;ef" << false << QStringList{"ab", "cd", "ef"} << true;
        QTest::newRow("mixed separators in a row") << ";, ab ;;,, cd ,;" << false << QStringList{"ab", "cd"} << true;
        QTest::newRow("two combined") << "ab cd" << true << QStringList{"ab", "abcd", "cdab", "cd"} << true;
        QTest::newRow("three combined") << "a b c" << true
                                        << QStringList{"a", "ab", "ac", "ba", "b", "bc", "ca", "cb", "c"} << true;
        QTest::newRow("equal names still join") << "ab ab" << true << QStringList{"ab", "abab", "abab", "ab"} << true;
        QTest::newRow("case kept") << "AbC dEf" << false << QStringList{"AbC", "dEf"} << true;
        QTest::newRow("digits and hyphens") << "123 -ab- --" << false << QStringList{"123", "-ab-", "--"} << true;
        QTest::newRow("dot makes complete names") << "ab.com cd" << true << QStringList{"ab.com", "cd"} << false;
        QTest::newRow("dot in second name") << "ab cd.net" << false << QStringList{"ab", "cd.net"} << false;
    }
    void accepted()
    {
        QFETCH(QString, typed);
        QFETCH(bool, combinations);
        QFETCH(QStringList, names);
        QFETCH(bool, bare);
        const auto result = Candidates::build(typed, combinations, 2049);
        QCOMPARE(result.verdict, Verdict::Accepted);
        QCOMPARE(result.names, names);
        QCOMPARE(result.bareNames, bare);
    }

    void refused_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("verdict");
        QTest::newRow("underscore") << "ab_cd" << int(Verdict::IllegalCharacter);
        QTest::newRow("exclamation") << "hey!" << int(Verdict::IllegalCharacter);
        QTest::newRow("accented letter") << QStringLiteral("caf\u00e9") << int(Verdict::IllegalCharacter);
        QTest::newRow("tab") << "ab\tcd" << int(Verdict::IllegalCharacter);
        QTest::newRow("illegal after blanks only") << "   \n" << int(Verdict::IllegalCharacter);
        QTest::newRow("empty") << "" << int(Verdict::Empty);
        QTest::newRow("blanks") << "    " << int(Verdict::Empty);
        QTest::newRow("separators only") << " ;, ;" << int(Verdict::Empty);
    }
    void refused()
    {
        QFETCH(QString, typed);
        QFETCH(int, verdict);
        QCOMPARE(int(Candidates::build(typed, false, 2049).verdict), verdict);
    }

    // 2049 entries fit; 2050 names, or 46 names combined (2116 entries), are refused and nothing is listed.
    void capacity_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("combinations");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<int>("entries");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("2049 names") << 2049 << false << " " << 2049 << true;
        QTest::newRow("2050 names") << 2050 << false << " " << 2050 << false;
        QTest::newRow("45 combined") << 45 << true << " " << 2025 << true;
        QTest::newRow("46 combined") << 46 << true << " " << 2116 << false;
        QTest::newRow("46 complete names ignore the mode") << 46 << true << ".x " << 46 << true;
    }
    void capacity()
    {
        QFETCH(int, count);
        QFETCH(bool, combinations);
        QFETCH(QString, separator);
        QFETCH(int, entries);
        QFETCH(bool, accepted);
        QStringList names;
        for (int i = 0; i < count; ++i)
            names << QStringLiteral("n%1").arg(i);
        const auto result = Candidates::build(names.join(separator), combinations, 2049);
        QCOMPARE(result.verdict, accepted ? Verdict::Accepted : Verdict::TooMany);
        QCOMPARE(accepted ? qint64(result.names.size()) : result.entriesNeeded, qint64(entries));
        QCOMPARE(result.names.isEmpty(), !accepted);
    }
};

QTEST_GUILESS_MAIN(TestCandidates)
#include "tst_candidates.moc"
