#include "core/Utils.h"
#include "support/WhoisFixture.h"
#include "whois/Rdap.h"
#include "whois/RdapBootstrap.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using Rdap::Verdict;
Q_DECLARE_METATYPE(Rdap::Verdict)

namespace {
// A directory from "entry,entry=url url;...".
QByteArray directory(const QString& services, const QString& publication = QStringLiteral("2026-07-23T02:00:03Z"))
{
    QStringList parts;
    for (const QString& service : services.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QStringList sides = service.split(QLatin1Char('='));
        const auto quoted = [](const QString& list, QChar by) {
            return QLatin1Char('"') + list.split(by).join(QStringLiteral("\",\"")) + QLatin1Char('"');
        };
        parts << QStringLiteral("[[%1],[%2]]")
                     .arg(quoted(sides.at(0), QLatin1Char(',')), quoted(sides.at(1), QLatin1Char(' ')));
    }
    return QStringLiteral("{\"publication\":\"%1\",\"services\":[%2]}")
        .arg(publication, parts.join(QLatin1Char(',')))
        .toUtf8();
}

QDateTime utc(const char* iso)
{
    return QDateTime::fromString(QLatin1String(iso), Qt::ISODate);
}
} // namespace

class TestRdap : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void requestAddress_data()
    {
        QTest::addColumn<QString>("domain");
        QTest::addColumn<QString>("url"); // empty: refused

        QTest::newRow("lower-cased") << QString("Example.COM.") << QString("https://r.example/v1/domain/example.com");
        QTest::newRow("U-label as A-label")
            << QStringLiteral("m\u00FCller.de") << "https://r.example/v1/domain/xn--mller-kva.de";
        QTest::newRow("slash") << QString("a/../b.com") << QString("");
        QTest::newRow("query") << QString("a.com?x=1") << QString("");
        QTest::newRow("empty label") << QString("a..com") << QString("");
    }

    void requestAddress()
    {
        QFETCH(QString, domain);
        QFETCH(QString, url);
        const QUrl made = Rdap::domainUrl(QStringLiteral("https://r.example/v1"), domain);
        QCOMPARE(made.isValid() ? made.toString() : QString(), url);
        QVERIFY(!Rdap::domainUrl(QStringLiteral("http://rdap.cctld.kg/"), QStringLiteral("a.kg")).isValid());
    }

    void answers_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("cut");
        QTest::addColumn<Verdict>("verdict");

        QTest::newRow("real 200") << 200 << WhoisFixture::sample("rdap-sample-200.json") << false << Verdict::Taken;
        QTest::newRow("real 404") << 404 << WhoisFixture::sample("rdap-sample-404.json") << false << Verdict::Free;
        QTest::newRow("404 cut short") << 404 << QByteArray("{\"err") << true << Verdict::Free;
        QTest::newRow("redemption period") << 200
                                           << QByteArray("{\"objectClassName\":\"domain\",\"status\":[\"redemption "
                                                         "period\"]}")
                                           << false << Verdict::Taken;
        // The error object of a 404, or any other object, confirms nothing when it comes with a 200.
        QTest::newRow("200 error object")
            << 200 << WhoisFixture::sample("rdap-sample-404.json") << false << Verdict::NotChecked;
        QTest::newRow("200 array") << 200 << QByteArray("[{\"objectClassName\":\"domain\"}]") << false
                                   << Verdict::NotChecked;
        QTest::newRow("200 html") << 200 << QByteArray("<p>objectClassName domain") << false << Verdict::NotChecked;
        QTest::newRow("200 cut") << 200 << WhoisFixture::sample("rdap-sample-200.json") << true << Verdict::NotChecked;
        QTest::newRow("500") << 500 << WhoisFixture::sample("rdap-sample-200.json") << false << Verdict::NotChecked;
    }

    void answers()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, cut);
        QFETCH(Verdict, verdict);
        QCOMPARE(Rdap::classifyAnswer(status, body, cut), verdict);
    }

    void retryAfter_data()
    {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<int>("seconds");
        QTest::newRow("seconds") << QByteArray(" 7 ") << 7;
        QTest::newRow("capped") << QByteArray("3600") << 60;
        QTest::newRow("overflowing") << QByteArray("99999999999999999999999") << 60;
        QTest::newRow("negative") << QByteArray("-5") << 2;
        QTest::newRow("absent") << QByteArray() << 2;
        QTest::newRow("date") << QByteArray("Thu, 23 Jul 2026 02:00:13 GMT") << 10;
        QTest::newRow("date past") << QByteArray("Wed, 22 Jul 2026 02:00:00 GMT") << 0;
    }

    void retryAfter()
    {
        QFETCH(QByteArray, header);
        QFETCH(int, seconds);
        QCOMPARE(Rdap::retryAfterSeconds(header, utc("2026-07-23T02:00:03Z"), 2, 60), seconds);
    }

    void serviceChoice_data()
    {
        QTest::addColumn<QString>("domain");
        QTest::addColumn<QString>("service");

        QTest::newRow("longest match wins") << QString("name.co.uk") << QString("https://co-uk.example/rdap/");
        QTest::newRow("shorter match") << QString("NAME.ORG.UK") << QString("https://uk.example/");
        QTest::newRow("whole labels only") << QString("name.eco.uk") << QString("https://uk.example/");
        QTest::newRow("first https address") << QString("a.test") << QString("https://second.example/");
        QTest::newRow("no entry") << QString("uk.de") << QString("");
        // An http-only service is no service, and the parent's server is not asked in its place.
        QTest::newRow("http only") << QString("a.kg") << QString("");
        QTest::newRow("http-only parent") << QString("a.x.kg") << QString("https://x.example/");
        QTest::newRow("U-label name") << QStringLiteral("name.\u0440\u0444") << "https://ru.example/";
    }

    void serviceChoice()
    {
        QFETCH(QString, domain);
        QFETCH(QString, service);
        const std::optional<RdapBootstrap> bootstrap = RdapBootstrap::parse(
            directory(QStringLiteral("uk=https://uk.example/;co.uk=https://co-uk.example/rdap;"
                                     "test=http://first.example/ https://second.example/;kg=http://rdap.cctld.kg/;"
                                     "x.kg=https://x.example/;xn--p1ai=https://ru.example/")));
        QVERIFY(bootstrap);
        QCOMPARE(bootstrap->serviceFor(domain), service);
    }

    void badDirectories_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("not json") << QByteArray("<html>");
        QTest::newRow("no services") << QByteArray("{\"version\":\"1.0\"}");
        QTest::newRow("only malformed services") << QByteArray("{\"services\":[[\"com\"],[[\"net\"]],[1,2]]}");
        QTest::newRow("cut short") << directory(QStringLiteral("com=https://c.example/")).left(40);
    }

    void badDirectories()
    {
        QFETCH(QByteArray, json);
        QVERIFY(!RdapBootstrap::parse(json));
    }

    void shippedDirectory()
    {
        const std::optional<RdapBootstrap> shipped =
            Rdap::readBootstrap(QStringLiteral(ORLEVAN_SOURCE_DIR "/data/rdap/dns.json"));
        QVERIFY(shipped);
        QCOMPARE(shipped->entryCount(), 1200);
        QCOMPARE(shipped->serviceFor(QStringLiteral("a.com")), QStringLiteral("https://rdap.verisign.com/com/v1/"));
        QCOMPARE(shipped->serviceFor(QStringLiteral("a.de")), QString());
        QCOMPARE(shipped->serviceFor(QStringLiteral("a.mg")), QString());
    }

    void copyInForce_data()
    {
        QTest::addColumn<QString>("shipped"); // publication; "" for no file, "bad" for a damaged one
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("winner");

        QTest::newRow("newer user copy") << QString("2026-07-23T02:00:03Z") << QString("2026-09-30T00:00:00Z")
                                         << QString("user");
        QTest::newRow("older user copy after an update")
            << QString("2026-07-23T02:00:03Z") << QString("2025-11-06T00:00:00Z") << QString("shipped");
        QTest::newRow("damaged user copy") << QString("2026-07-23T02:00:03Z") << QString("bad") << QString("shipped");
        QTest::newRow("no shipped copy") << QString("") << QString("2025-11-06T00:00:00Z") << QString("user");
        QTest::newRow("neither") << QString("") << QString("") << QString("");
    }

    void copyInForce()
    {
        QFETCH(QString, shipped);
        QFETCH(QString, user);
        QFETCH(QString, winner);
        QTemporaryDir dir;
        Utils::ProgramFolder = dir.filePath(QStringLiteral("program"));
        Rdap::DataFolder = dir.filePath(QStringLiteral("data"));
        const auto write = [](const QString& path, const QString& publication, const QString& host) {
            QDir().mkpath(QFileInfo(path).absolutePath());
            QFile file(path);
            if (file.open(QIODevice::WriteOnly))
                file.write(publication == QLatin1String("bad")
                               ? QByteArray("{\"services\":")
                               : directory(QStringLiteral("test=https://%1/").arg(host), publication));
        };
        if (!shipped.isEmpty())
            write(Rdap::shippedBootstrapPath(), shipped, QStringLiteral("shipped"));
        if (!user.isEmpty())
            write(Rdap::userBootstrapPath(), user, QStringLiteral("user"));
        const QString found = Rdap::loadBootstrap().serviceFor(QStringLiteral("a.test"));
        Utils::ProgramFolder.clear();
        Rdap::DataFolder.clear();
        QCOMPARE(found, winner.isEmpty() ? QString() : QStringLiteral("https://%1/").arg(winner));
    }

    void refreshDecisions()
    {
        const QDateTime now = utc("2026-07-23T12:00:00Z");
        QVERIFY(Rdap::refreshDue(QDateTime(), now));
        QVERIFY(!Rdap::refreshDue(utc("2026-07-17T12:00:01Z"), now));
        QVERIFY(Rdap::refreshDue(utc("2026-07-16T12:00:00Z"), now));
        QVERIFY(Rdap::refreshDue(utc("2027-01-01T00:00:00Z"), now)); // clock set back

        using Headers = QList<QPair<QByteArray, QByteArray>>;
        const QDateTime shipped = utc("2026-07-23T02:00:03Z");
        QCOMPARE(Rdap::conditionalHeaders({}, shipped),
                 Headers({{"If-Modified-Since", "Thu, 23 Jul 2026 02:00:03 GMT"}}));
        const Rdap::FetchState state{now, "Wed, 30 Sep 2026 00:00:00 GMT", "\"v2\"", utc("2026-09-30T00:00:00Z")};
        QCOMPARE(Rdap::conditionalHeaders(state, state.publication),
                 Headers({{"If-None-Match", "\"v2\""}, {"If-Modified-Since", "Wed, 30 Sep 2026 00:00:00 GMT"}}));
        // The fetched copy is gone and the shipped one is in hand: its validators would only earn a 304.
        QCOMPARE(Rdap::conditionalHeaders(state, shipped),
                 Headers({{"If-Modified-Since", "Thu, 23 Jul 2026 02:00:03 GMT"}}));

        const RdapBootstrap inHand = *RdapBootstrap::parse(directory(QStringLiteral("com=https://c.example/")));
        const auto replaces = [&](int status, const char* publication) {
            return Rdap::fetchedReplacement(status, directory(QStringLiteral("com=https://n.example/"), publication),
                                            inHand)
                .has_value();
        };
        QVERIFY(replaces(200, "2026-09-30T00:00:00Z"));
        QVERIFY(!replaces(200, "2025-01-01T00:00:00Z"));
        QVERIFY(!replaces(200, ""));
        QVERIFY(!replaces(500, "2026-09-30T00:00:00Z"));
        QVERIFY(!Rdap::fetchedReplacement(200, "{\"services\":[", inHand));
    }
};

QTEST_GUILESS_MAIN(TestRdap)
#include "tst_rdap.moc"
