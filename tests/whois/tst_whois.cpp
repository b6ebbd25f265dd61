#include "core/Utils.h"
#include "support/TestPlatform.h"
#include "whois/ReplyDecoder.h"
#include "whois/Whois.h"
#include "whois/WhoisLines.h"

#include <QTemporaryDir>
#include <QTest>

class TestWhois : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void choosesServer_data()
    {
        QTest::addColumn<QString>("domain");
        QTest::addColumn<QString>("recordZero");
        QTest::addColumn<QString>("server");

        const QString iana = QStringLiteral("whois.iana.org");
        QTest::newRow("record's server") << "example.com" << iana << "whois.verisign-grs.com";
        QTest::newRow("record without server") << "example.xy" << iana << "whois.internic.net";
        QTest::newRow("blank server") << "example.zz" << iana << "whois.internic.net";
        QTest::newRow("server kept as stored") << "example.pad" << iana << " whois.pad.example ";
        QTest::newRow("unknown label: record 0") << "example.qq" << iana << iana;
        QTest::newRow("unknown label, record 0 without") << "example.qq"
                                                         << ""
                                                         << "whois.internic.net";
        QTest::newRow("trailing blank is part of the label") << "example.com " << iana << iana;
    }

    void choosesServer()
    {
        QFETCH(QString, domain);
        QFETCH(QString, recordZero);
        QFETCH(QString, server);
        QTemporaryDir dir;
        resetProgramState(dir.path());
        const QStringList records[] = {{"int", recordZero},
                                       {"com", "whois.verisign-grs.com"},
                                       {"xy", ""},
                                       {"zz", "   "},
                                       {"pad", " whois.pad.example "}};
        for (const QStringList& record : records) {
            Utils::DomainTable[Utils::TldCount].Tld = record.at(0);
            Utils::DomainTable[Utils::TldCount++].WhoisServer = record.at(1);
        }
        QCOMPARE(Whois::GetWhoisServer(domain), server);
    }

    void readsMarkers_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<bool>("free");

        QTest::newRow("No match then the name") << "No match for \"EXAMPLE.COM\".\r\n>>> Last update" << true;
        QTest::newRow("No entries found") << "%\n% No entries found for the selected source(s).\n" << true;
        QTest::newRow("lower case second marker") << "no entries found" << false;
        QTest::newRow("marker cut by a line break") << "No\r\nmatch" << false;
        QTest::newRow("empty") << "" << false;
    }

    void readsMarkers()
    {
        QFETCH(QString, reply);
        QFETCH(bool, free);
        QCOMPARE(Whois::CheckWhoisBuffer(reply), free);
    }

    void splitsPiece_data()
    {
        QTest::addColumn<QString>("piece");
        QTest::addColumn<QStringList>("lines");

        QTest::newRow("bare LF lines") << "a\nbb\n" << QStringList{"a\r\n", "bb\r\n"};
        QTest::newRow("CR LF kept whole") << "a\r\nbb\r\n" << QStringList{"a\r\nbb\r\n"};
        QTest::newRow("rest without LF") << "a\n\nrest" << QStringList{"a\r\n", "\r\n", "rest"};
        // From the first line with a CR before its LF on, the piece goes in unchanged; any CR counts.
        QTest::newRow("bare then CR LF") << "a\nb\r\nc\nd\n" << QStringList{"a\r\n", "b\r\nc\nd\n"};
        QTest::newRow("CR inside the line") << "x\ra\nb\n" << QStringList{"x\ra\nb\n"};
    }

    void splitsPiece()
    {
        QFETCH(QString, piece);
        QFETCH(QStringList, lines);
        QCOMPARE(Whois::splitReplyPiece(piece), lines);
    }

    void decodes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");

        QTest::newRow("UTF-8") << QByteArray("M\xC3\xBCller \xE2\x82\xAC \xF0\x9F\x98\x80")
                               << QStringLiteral("M\u00FCller \u20AC \U0001F600");
        QTest::newRow("Latin-1") << QByteArray("K\xF6ln \x80") << QStringLiteral("K\u00F6ln \u0080");
        QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << QStringLiteral("\u00ED\u00A0\u0080");
        QTest::newRow("above U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << QStringLiteral("\u00F4\u0090\u0080\u0080");
        QTest::newRow("sequence cut short")
            << QByteArray("\xE2\x82z\xE2\x82") << QStringLiteral("\u00E2\u0082z\u00E2\u0082");
    }

    void decodes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        // The text must not depend on where the pieces part.
        for (qsizetype cut = 0; cut <= bytes.size(); ++cut) {
            ReplyDecoder decoder;
            QString got = decoder.decode(bytes.left(cut));
            got += decoder.decode(bytes.mid(cut));
            got += decoder.flush();
            QVERIFY2(got == text, qPrintable(QStringLiteral("cut at %1").arg(cut)));
        }
    }
};

QTEST_GUILESS_MAIN(TestWhois)
#include "tst_whois.moc"
