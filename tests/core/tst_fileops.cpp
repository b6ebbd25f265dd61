#include "core/FileOps.h"

#include <QTest>

class TestFileOps : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void knownExample()
    {
        QCOMPARE(FileOps::UnscrambleLine(QStringLiteral("Abc-12;x.y")), QStringLiteral("Zyx(12?c{b"));
    }

    void selfInverseOverEveryByte()
    {
        QString all;
        for (int code = 0; code < 256; ++code)
            all.append(QChar(char16_t(code)));
        const QString once = FileOps::UnscrambleLine(all);
        QCOMPARE(once.size(), all.size());
        QCOMPARE(FileOps::UnscrambleLine(once), all);
        // Only letters and the twelve paired characters move.
        for (int code = 0; code < 256; ++code) {
            const bool moves = (code >= 'A' && code <= 'Z') || (code >= 'a' && code <= 'z') ||
                               QByteArray(";?.{/}(-)@ |").contains(char(code));
            QCOMPARE(once.at(code) != all.at(code), moves);
        }
    }

    void pairsTradePlaces()
    {
        QCOMPARE(FileOps::UnscrambleLine(QStringLiteral("AZMNamnz")), QStringLiteral("ZANMznma"));
        QCOMPARE(FileOps::UnscrambleLine(QStringLiteral(";?.{/}(-)@ |")), QStringLiteral("?;{.}/-(@)| "));
        QCOMPARE(FileOps::UnscrambleLine(QStringLiteral("0:,_9")), QStringLiteral("0:,_9"));
    }
};

QTEST_GUILESS_MAIN(TestFileOps)
#include "tst_fileops.moc"
