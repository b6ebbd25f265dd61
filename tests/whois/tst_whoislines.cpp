#include "whois/ReplyDecoder.h"
#include "whois/WhoisLines.h"

#include <QTest>

class TestWhoisLines : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void splitsPiece_data()
    {
        QTest::addColumn<QString>("piece");
        QTest::addColumn<QStringList>("lines");

        QTest::newRow("bare LF lines") << "a\nbb\n" << QStringList{"a\r\n", "bb\r\n"};
        QTest::newRow("CR LF kept whole") << "a\r\nbb\r\n" << QStringList{"a\r\nbb\r\n"};
        QTest::newRow("rest without LF") << "a\nrest" << QStringList{"a\r\n", "rest"};
        QTest::newRow("no LF at all") << "just text" << QStringList{"just text"};
        QTest::newRow("empty lines") << "\n\n" << QStringList{"\r\n", "\r\n"};
        // From the first line that has a CR before its LF on, the piece goes in unchanged.
        QTest::newRow("bare then CR LF") << "a\nb\r\nc\nd\n" << QStringList{"a\r\n", "b\r\nc\nd\n"};
        // Any CR before the LF counts, not only one right before it.
        QTest::newRow("CR inside the line") << "x\ra\nb\n" << QStringList{"x\ra\nb\n"};
        QTest::newRow("lone CR at the end") << "a\nb\r" << QStringList{"a\r\n", "b\r"};
        QTest::newRow("empty piece") << "" << QStringList{};
    }

    void splitsPiece()
    {
        QFETCH(QString, piece);
        QFETCH(QStringList, lines);
        QCOMPARE(Whois::splitReplyPiece(piece), lines);
    }

    void piecesStartAfresh()
    {
        // A CR LF line in one piece does not stop the conversion of the next.
        QString shown;
        for (const QString& piece : {QStringLiteral("a\r\nb\n"), QStringLiteral("c\nd\n")})
            shown += Whois::splitReplyPiece(piece).join(QString());
        QCOMPARE(shown, QStringLiteral("a\r\nb\nc\r\nd\r\n"));
    }

    void decodes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");

        QTest::newRow("ascii") << QByteArray("abc\r\n") << QStringLiteral("abc\r\n");
        QTest::newRow("two bytes") << QByteArray("M\xC3\xBCller") << QStringLiteral("M\u00FCller");
        QTest::newRow("three bytes") << QByteArray("\xE2\x82\xAC") << QStringLiteral("\u20AC");
        QTest::newRow("four bytes") << QByteArray("\xF0\x9F\x98\x80") << QString::fromUtf8("\xF0\x9F\x98\x80");
        QTest::newRow("latin-1 word") << QByteArray("M\xFCller") << QStringLiteral("M\u00FCller");
        QTest::newRow("lone continuation") << QByteArray("a\x80z") << QStringLiteral("a\u0080z");
        QTest::newRow("overlong") << QByteArray("\xC0\xAF") << QStringLiteral("\u00C0\u00AF");
        QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << QStringLiteral("\u00ED\u00A0\u0080");
        QTest::newRow("above U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << QStringLiteral("\u00F4\u0090\u0080\u0080");
        QTest::newRow("cut by ascii") << QByteArray("\xE2\x82z") << QStringLiteral("\u00E2\u0082z");
        QTest::newRow("cut at the end") << QByteArray("ok\xE2\x82") << QStringLiteral("ok\u00E2\u0082");
        QTest::newRow("mixed") << QByteArray("\xE9t\xC3\xA9") << QStringLiteral("\u00E9t\u00E9");
    }

    void decodes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        // Whole, and split at every place: the text must not depend on where the pieces part.
        for (qsizetype cut = 0; cut <= bytes.size(); ++cut) {
            ReplyDecoder decoder;
            QString got = decoder.decode(bytes.left(cut));
            got += decoder.decode(bytes.mid(cut));
            got += decoder.flush();
            QVERIFY2(got == text, qPrintable(QStringLiteral("cut at %1").arg(cut)));
        }
    }

    void decodesByteByByte()
    {
        const QByteArray bytes = QStringLiteral("R\u00E9sum\u00E9 \u20AC \U0001F600 end").toUtf8() + "\xFF";
        ReplyDecoder decoder;
        QString got;
        for (char byte : bytes)
            got += decoder.decode(QByteArray(1, byte));
        got += decoder.flush();
        QCOMPARE(got, QStringLiteral("R\u00E9sum\u00E9 \u20AC \U0001F600 end\u00FF"));
    }
};

QTEST_GUILESS_MAIN(TestWhoisLines)
#include "tst_whoislines.moc"
