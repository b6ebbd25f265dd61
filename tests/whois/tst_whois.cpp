#include "core/Utils.h"
#include "support/TestPlatform.h"
#include "whois/Whois.h"

#include <QTemporaryDir>
#include <QTest>

class TestWhois : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    static void setRecord(int index, const QString& tld, const QString& server)
    {
        Utils::DomainTable[index].Tld = tld;
        Utils::DomainTable[index].WhoisServer = server;
    }

private Q_SLOTS:
    void init()
    {
        resetProgramState(m_dir.path());
        setRecord(0, QStringLiteral("int"), QStringLiteral("whois.iana.org"));
        setRecord(1, QStringLiteral("com"), QStringLiteral("whois.verisign-grs.com"));
        setRecord(2, QStringLiteral("xy"), QString());
        setRecord(3, QStringLiteral("zz"), QStringLiteral("   "));
        setRecord(4, QStringLiteral("pad"), QStringLiteral(" whois.pad.example "));
        Utils::TldCount = 5;
    }

    void choosesServer_data()
    {
        QTest::addColumn<QString>("domain");
        QTest::addColumn<QString>("server");

        QTest::newRow("record's server") << "example.com"
                                         << "whois.verisign-grs.com";
        QTest::newRow("record without server") << "example.xy"
                                               << "whois.internic.net";
        QTest::newRow("blank server") << "example.zz"
                                      << "whois.internic.net";
        QTest::newRow("server kept as stored") << "example.pad"
                                               << " whois.pad.example ";
        QTest::newRow("unknown label uses record 0") << "example.qq"
                                                     << "whois.iana.org";
        QTest::newRow("trailing blank is part of the label") << "example.com "
                                                             << "whois.iana.org";
        QTest::newRow("case significant") << "example.COM"
                                          << "whois.iana.org";
    }

    void choosesServer()
    {
        QFETCH(QString, domain);
        QFETCH(QString, server);
        QCOMPARE(Whois::GetWhoisServer(domain), server);
    }

    void recordZeroWithoutServer()
    {
        setRecord(0, QStringLiteral("int"), QString());
        QCOMPARE(Whois::GetWhoisServer(QStringLiteral("example.qq")), QStringLiteral("whois.internic.net"));
    }

    void readsMarkers_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<bool>("free");

        QTest::newRow("No match then the name") << "No match for \"EXAMPLE.COM\".\r\n>>> Last update" << true;
        QTest::newRow("No entries found") << "%\n% No entries found for the selected source(s).\n" << true;
        QTest::newRow("marker deep inside") << QString(5000, QLatin1Char('x')) + "No match" << true;
        QTest::newRow("lower case second marker") << "no entries found" << false;
        QTest::newRow("lower case first marker") << "no match" << false;
        QTest::newRow("marker cut by a line break") << "No\r\nmatch" << false;
        QTest::newRow("registered") << "Domain Name: EXAMPLE.COM\r\nRegistrar: X" << false;
        QTest::newRow("empty") << "" << false;
    }

    void readsMarkers()
    {
        QFETCH(QString, reply);
        QFETCH(bool, free);
        QCOMPARE(Whois::CheckWhoisBuffer(reply), free);
    }
};

QTEST_GUILESS_MAIN(TestWhois)
#include "tst_whois.moc"
