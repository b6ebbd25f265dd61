#include "core/FileOps.h"
#include "core/Utils.h"
#include "support/TestPlatform.h"

#include <QFile>
#include <QTest>

using Utils::DomainTable;
using Utils::TldCount;

namespace {
// Plain lines scrambled, each followed by its separator ("\r\n" unless given).
QByteArray file(const QStringList& lines, const QList<QByteArray>& ends = {})
{
    QByteArray bytes;
    for (qsizetype i = 0; i < lines.size(); ++i)
        bytes += FileOps::UnscrambleLine(lines.at(i)).toLatin1() + (i < ends.size() ? ends.at(i) : "\r\n");
    return bytes;
}

QStringList records()
{
    QStringList out;
    for (int i = 0; i < TldCount; ++i) {
        const auto& r = DomainTable[i];
        out << QStringList{r.Tld, r.Description, r.RegistrationSite, r.SubLabels, r.WhoisServer}.join('|') +
                   (r.Selected || !r.DisplayInfo.isEmpty() ? "!" : "");
    }
    return out;
}
} // namespace

class TestDomainTable : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void scramble()
    {
        QCOMPARE(FileOps::UnscrambleLine(QStringLiteral("Abc-12;x.y")), QStringLiteral("Zyx(12?c{b"));
        QString all;
        for (int code = 0; code < 256; ++code)
            all.append(QChar(char16_t(code)));
        const QString once = FileOps::UnscrambleLine(all);
        QCOMPARE(FileOps::UnscrambleLine(once), all);
        // Only letters and the twelve paired characters move.
        for (int code = 0; code < 256; ++code) {
            const bool moves = (code >= 'A' && code <= 'Z') || (code >= 'a' && code <= 'z') ||
                               QByteArray(";?.{/}(-)@ |").contains(char(code));
            QCOMPARE(once.at(code) != all.at(code), moves);
        }
    }

    void parse_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("three to seven fields")
            << file({"int;T;http://i;;whois.i", "com;C;;;", "uk;K;http://u;co:org", "de;G;http://d",
                     "six;S;s;a:b;w;x;y"})
            << QStringList{"int|T|http://i||whois.i", "com|C|||", "uk|K|http://u|co:org|", "de|G|http://d||",
                           "six|S|s|a:b|w"};
        // A lone CR ends a line, CR LF too; a lone LF stays inside the line; the last line needs no end.
        QTest::newRow("line ends") << file({"a;A;x", "b;B;y", "c;C", ";z;w", "d;D;q"}, {"\r", "\r\n", "\n", "\r\n", ""})
                                   << QStringList{"a|A|x||", "b|B|y||", "c|C\n|z|w|", "d|D|q||"};
        QTest::newRow("short and empty lines")
            << "\r\n" + file({"only;two", "", "ok;Ok;", ""}) << QStringList{"ok|Ok|||"};
        QTest::newRow("bytes are Latin-1")
            << file({QString::fromLatin1("x;\xe9\xff;s")}) << QStringList{QString::fromLatin1("x|\xe9\xff|s||")};
    }
    void parse()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, expected);
        Utils::ParseDomainTable(bytes);
        QCOMPARE(records(), expected);
        QVERIFY(DomainTable[TldCount].Tld.isEmpty());
    }

    void tableIsNeverOverrun()
    {
        QStringList lines;
        for (int i = 0; i < 400; ++i)
            lines << QStringLiteral("t%1;T;s").arg(i);
        Utils::ParseDomainTable(file(lines));
        QCOMPARE(TldCount, 301);
        QCOMPARE(DomainTable[300].Tld, QStringLiteral("t300"));
        // With a full table there is no empty slot behind the last record.
        QCOMPARE(Utils::FindTld(QStringLiteral("x.t300")), 300);
        QCOMPARE(Utils::FindTld(QStringLiteral("x.")), 0);
    }

    void findTld_data()
    {
        QTest::addColumn<QString>("domain");
        QTest::addColumn<int>("index");
        QTest::newRow("last label") << "example.com" << 1;
        QTest::newRow("bare label") << "com" << 1;
        QTest::newRow("case significant") << "example.EXAMPLE.COM" << 3;
        QTest::newRow("mixed case unknown") << "example.Com" << 0;
        QTest::newRow("last matching record") << "shop.co.uk" << 4;
        QTest::newRow("unknown") << "unknown.zz" << 0;
        QTest::newRow("record 0 never compared") << "treaty.int" << 0;
        QTest::newRow("trailing dot: empty slot") << "trailing.com." << 5;
        QTest::newRow("empty: empty slot") << "" << 5;
    }
    void findTld()
    {
        QFETCH(QString, domain);
        QFETCH(int, index);
        Utils::ParseDomainTable(file({"int;I;s", "com;C;s", "uk;U;s", "COM;Caps;s", "uk;Again;s"}));
        QCOMPARE(int(Utils::FindTld(domain)), index);
    }

    // Every line of the readable table made it into the shipped file, in order.
    void shippedDataFile()
    {
        TestPlatform platform;
        Utils::ProgramFolder = QStringLiteral(ORLEVAN_BUILD_BIN);
        QVERIFY(Utils::LoadDomainTable());
        QCOMPARE(TldCount, 300);
        QCOMPARE(DomainTable[0].WhoisServer, QStringLiteral("whois.iana.org"));
        QVERIFY(DomainTable[Utils::FindTld("example.uk")].SubLabels.split(':').contains(QStringLiteral("co")));
        QFile source(QStringLiteral(ORLEVAN_SOURCE_DIR "/data/orvtab.txt"));
        QVERIFY(source.open(QIODevice::ReadOnly));
        QStringList expected;
        for (const QByteArray& line : source.readAll().split('\n'))
            if (!line.isEmpty() && !line.startsWith('#'))
                expected << QString::fromUtf8(line.left(line.indexOf(';')));
        QStringList tlds;
        for (int i = 0; i < TldCount; ++i)
            tlds << DomainTable[i].Tld;
        QCOMPARE(tlds, expected);
        Utils::ProgramFolder.clear();
    }
};

QTEST_GUILESS_MAIN(TestDomainTable)
#include "tst_domaintable.moc"
