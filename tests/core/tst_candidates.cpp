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
        QTest::newRow("blanks everywhere") << "   ab    cd  " << false << QStringList{"ab", "cd"} << true;
        QTest::newRow("mixed separators in a row") << ";, ab ;;,, cd ,;" << false << QStringList{"ab", "cd"} << true;
        QTest::newRow("two combined") << "ab cd" << true << QStringList{"ab", "abcd", "cdab", "cd"} << true;
        QTest::newRow("three combined") << "a b c" << true
                                        << QStringList{"a", "ab", "ac", "ba", "b", "bc", "ca", "cb", "c"} << true;
        QTest::newRow("one combined") << "solo" << true << QStringList{"solo"} << true;
        QTest::newRow("equal names still join") << "ab ab" << true << QStringList{"ab", "abab", "abab", "ab"} << true;
        QTest::newRow("case kept") << "AbC dEf" << false << QStringList{"AbC", "dEf"} << true;
        QTest::newRow("digits and hyphens") << "123 -ab- --" << false << QStringList{"123", "-ab-", "--"} << true;
        QTest::newRow("dot makes complete names") << "ab.com cd" << true << QStringList{"ab.com", "cd"} << false;
        QTest::newRow("dot in second name") << "ab cd.net" << false << QStringList{"ab", "cd.net"} << false;
        QTest::newRow("repeats stay") << "x x x" << false << QStringList{"x", "x", "x"} << true;
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

    void capacity()
    {
        QStringList many;
        for (int i = 0; i < 2050; ++i)
            many << QStringLiteral("n%1").arg(i);

        const auto full = Candidates::build(many.mid(0, 2049).join(' '), false, 2049);
        QCOMPARE(full.verdict, Verdict::Accepted);
        QCOMPARE(full.names.size(), 2049);

        const auto over = Candidates::build(many.join(' '), false, 2049);
        QCOMPARE(over.verdict, Verdict::TooMany);
        QCOMPARE(over.entriesNeeded, 2050);
        QVERIFY(over.names.isEmpty());

        const auto fortyFive = Candidates::build(many.mid(0, 45).join(' '), true, 2049);
        QCOMPARE(fortyFive.verdict, Verdict::Accepted);
        QCOMPARE(fortyFive.names.size(), 2025);
        QCOMPARE(fortyFive.names.at(1), QStringLiteral("n0n1"));
        QCOMPARE(fortyFive.names.last(), QStringLiteral("n44"));

        const auto fortySix = Candidates::build(many.mid(0, 46).join(' '), true, 2049);
        QCOMPARE(fortySix.verdict, Verdict::TooMany);
        QCOMPARE(fortySix.entriesNeeded, 2116);

        // With a dot the mode is ignored, so 46 complete names are only 46 entries.
        const auto complete = Candidates::build(many.mid(0, 46).join(QStringLiteral(".x ")), true, 2049);
        QCOMPARE(complete.verdict, Verdict::Accepted);
        QCOMPARE(complete.names.size(), 46);
    }

    void messages()
    {
        QCOMPARE(Candidates::illegalCharacterText(),
                 QStringLiteral("Illegal characters encountered\rOnly characters allowed are letters, numbers and -"));
        QCOMPARE(Candidates::illegalCharacterCaption(), QStringLiteral("Orlevan - Illegal characters used"));
        QVERIFY(Candidates::tooManyText(2116, 2049).contains(QStringLiteral("2116")));
    }
};

QTEST_GUILESS_MAIN(TestCandidates)
#include "tst_candidates.moc"
