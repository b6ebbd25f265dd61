#include "core/FileOps.h"
#include "core/Utils.h"
#include "support/TestPlatform.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using Utils::DomainTable;
using Utils::TldCount;

namespace {
QByteArray scrambled(const QString& plain)
{
    return FileOps::UnscrambleLine(plain).toLatin1();
}
} // namespace

class TestDomainTable : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fields()
    {
        Utils::ParseDomainTable(scrambled("int;Treaties;http://i;;whois.i") + "\r\n" + scrambled("com;Commercial;;;") +
                                "\r\n" + scrambled("uk;Kingdom;http://u;co:org") + "\r\n" +
                                scrambled("de;Germany;http://d") + "\r\n" + scrambled("six;Six;s;a:b;w;extra;more"));
        QCOMPARE(TldCount, 5);
        QCOMPARE(DomainTable[0].WhoisServer, QStringLiteral("whois.i"));
        QCOMPARE(DomainTable[1].Tld, QStringLiteral("com"));
        QCOMPARE(DomainTable[1].Description, QStringLiteral("Commercial"));
        QVERIFY(DomainTable[1].RegistrationSite.isEmpty());
        QVERIFY(DomainTable[1].SubLabels.isEmpty());
        QVERIFY(DomainTable[1].WhoisServer.isEmpty());
        QCOMPARE(DomainTable[2].SubLabels, QStringLiteral("co:org"));
        QVERIFY(DomainTable[2].WhoisServer.isEmpty());
        QCOMPARE(DomainTable[3].RegistrationSite, QStringLiteral("http://d"));
        QVERIFY(DomainTable[3].SubLabels.isEmpty());
        QCOMPARE(DomainTable[4].WhoisServer, QStringLiteral("w"));
        for (int i = 0; i < TldCount; ++i) {
            QCOMPARE(DomainTable[i].Selected, quint8(0));
            QVERIFY(DomainTable[i].DisplayInfo.isEmpty());
        }
        QVERIFY(DomainTable[5].Tld.isEmpty());
    }

    void lineEnds()
    {
        // A lone CR ends a line, CR LF too; a lone LF stays inside the line; no line end needed at the end.
        Utils::ParseDomainTable(scrambled("a;A;x") + "\r" + scrambled("b;B;y") + "\r\n" + scrambled("c;C") + "\n" +
                                scrambled(";z;w") + "\r\n" + scrambled("d;D;q"));
        QCOMPARE(TldCount, 4);
        QCOMPARE(DomainTable[3].Tld, QStringLiteral("d"));
        QCOMPARE(DomainTable[0].Tld, QStringLiteral("a"));
        QCOMPARE(DomainTable[1].Tld, QStringLiteral("b"));
        QCOMPARE(DomainTable[2].Tld, QStringLiteral("c"));
        QCOMPARE(DomainTable[2].Description, QStringLiteral("C\n"));
        QCOMPARE(DomainTable[2].RegistrationSite, QStringLiteral("z"));
        QCOMPARE(DomainTable[2].SubLabels, QStringLiteral("w"));
    }

    void shortAndEmptyLinesSkipped()
    {
        Utils::ParseDomainTable("\r\n" + scrambled("only;two") + "\r\n\r\n" + scrambled("ok;Ok;") + "\r\n\r\n");
        QCOMPARE(TldCount, 1);
        QCOMPARE(DomainTable[0].Tld, QStringLiteral("ok"));
    }

    void bytesAreLatin1()
    {
        Utils::ParseDomainTable(scrambled(QString::fromLatin1("x;\xe9\xff;s")));
        QCOMPARE(TldCount, 1);
        QCOMPARE(DomainTable[0].Description, QString::fromLatin1("\xe9\xff"));
    }

    void tableIsNeverOverrun()
    {
        QByteArray file;
        for (int i = 0; i < 400; ++i)
            file += scrambled(QStringLiteral("t%1;T;s").arg(i)) + "\r\n";
        Utils::ParseDomainTable(file);
        QCOMPARE(TldCount, 301);
        QCOMPARE(DomainTable[300].Tld, QStringLiteral("t300"));
        // With a full table there is no empty slot behind the last record.
        QCOMPARE(Utils::FindTld(QStringLiteral("x.t300")), 300);
        QCOMPARE(Utils::FindTld(QStringLiteral("x.")), 0);
    }

    void findTld()
    {
        Utils::ParseDomainTable(scrambled("int;I;s") + "\r\n" + scrambled("com;C;s") + "\r\n" + scrambled("uk;U;s") +
                                "\r\n" + scrambled("COM;Caps;s") + "\r\n" + scrambled("uk;Again;s"));
        QCOMPARE(Utils::FindTld(QStringLiteral("example.com")), 1);
        QCOMPARE(Utils::FindTld(QStringLiteral("com")), 1);
        QCOMPARE(Utils::FindTld(QStringLiteral("example.EXAMPLE.COM")), 3);
        QCOMPARE(Utils::FindTld(QStringLiteral("example.Com")), 0);
        QCOMPARE(Utils::FindTld(QStringLiteral("shop.co.uk")), 4); // the last record that matches
        QCOMPARE(Utils::FindTld(QStringLiteral("unknown.zz")), 0);
        QCOMPARE(Utils::FindTld(QStringLiteral("treaty.int")), 0);    // index 0 is never compared
        QCOMPARE(Utils::FindTld(QStringLiteral("trailing.com.")), 5); // the empty slot after the last record
        QCOMPARE(Utils::FindTld(QString()), 5);
    }

    void missingFile()
    {
        QTemporaryDir dir;
        TestPlatform platform;
        resetProgramState(dir.path());
        QVERIFY(!Utils::LoadDomainTable());
        QCOMPARE(platform.messages.size(), 1);
        const auto& message = platform.messages.first();
        QCOMPARE(message.text, QStringLiteral("Cannot find orvtab.dll\rMake sure this file is in your Orlevan "
                                              "directory.\r") +
                                   QDir::toNativeSeparators(dir.path() + "/program"));
        QCOMPARE(message.caption, QStringLiteral("Orlevan load error."));
        QCOMPARE(message.icon, Platform::Critical);
        QCOMPARE(message.buttons, Platform::Ok);
    }

    void shippedDataFile()
    {
        TestPlatform platform;
        Utils::ProgramFolder = QStringLiteral(ORLEVAN_BUILD_BIN);
        QVERIFY(Utils::LoadDomainTable());
        QVERIFY(platform.messages.isEmpty());
        QCOMPARE(TldCount, 300);
        QCOMPARE(DomainTable[0].Tld, QStringLiteral("int"));
        QCOMPARE(DomainTable[0].WhoisServer, QStringLiteral("whois.iana.org"));
        const qint16 uk = Utils::FindTld(QStringLiteral("example.uk"));
        QVERIFY(uk > 0);
        QVERIFY(DomainTable[uk].SubLabels.split(':').contains(QStringLiteral("co")));
        QCOMPARE(DomainTable[Utils::FindTld(QStringLiteral("example.com"))].WhoisServer,
                 QStringLiteral("whois.verisign-grs.com"));
        // Every line of the readable table made it into the file, in order.
        QFile source(QStringLiteral(ORLEVAN_SOURCE_DIR "/data/orvtab.txt"));
        QVERIFY(source.open(QIODevice::ReadOnly));
        int index = 0;
        for (const QByteArray& line : source.readAll().split('\n')) {
            if (line.isEmpty() || line.startsWith('#'))
                continue;
            QCOMPARE(DomainTable[index].Tld, QString::fromUtf8(line.left(line.indexOf(';'))));
            ++index;
        }
        QCOMPARE(index, int(TldCount));
        Utils::ProgramFolder.clear();
    }
};

QTEST_GUILESS_MAIN(TestDomainTable)
#include "tst_domaintable.moc"
