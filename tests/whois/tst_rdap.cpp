#include "core/Utils.h"
#include "whois/Rdap.h"
#include "whois/RdapBootstrap.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using Rdap::Verdict;
Q_DECLARE_METATYPE(Rdap::Verdict)

namespace {
QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray fixture(const char* name)
{
    return readFile(QStringLiteral(ORLEVAN_SOURCE_DIR "/tests/whois/fixtures/") + QLatin1String(name));
}

// A directory from "entry,entry=url url;..." with a publication date.
QByteArray directory(const QString& services, const QString& publication = QStringLiteral("2026-07-23T02:00:03Z"))
{
    QStringList parts;
    for (const QString& service : services.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QStringList sides = service.split(QLatin1Char('='));
        QStringList entries, urls;
        for (const QString& e : sides.value(0).split(QLatin1Char(','), Qt::SkipEmptyParts))
            entries << QLatin1Char('"') + e + QLatin1Char('"');
        for (const QString& u : sides.value(1).split(QLatin1Char(' '), Qt::SkipEmptyParts))
            urls << QLatin1Char('"') + u + QLatin1Char('"');
        parts << QStringLiteral("[[%1],[%2]]").arg(entries.join(QLatin1Char(',')), urls.join(QLatin1Char(',')));
    }
    return QStringLiteral(R"({"version":"1.0","publication":"%1","services":[%2]})")
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
    void cleanup() { Rdap::PlainHttpAllowed = false; }

    void requestAddress_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("domain");
        QTest::addColumn<QString>("url"); // empty: refused

        QTest::newRow("lower-cased") << "https://rdap.verisign.com/com/v1/"
                                     << "Example.COM"
                                     << "https://rdap.verisign.com/com/v1/domain/example.com";
        QTest::newRow("base without slash") << "https://r.example/rdap"
                                            << "a-b.org"
                                            << "https://r.example/rdap/domain/a-b.org";
        QTest::newRow("final dot, blanks") << "https://r.example/"
                                           << " name.de. "
                                           << "https://r.example/domain/name.de";
        QTest::newRow("U-label sent as A-label")
            << "https://r.example/" << QStringLiteral("m\u00FCller.de") << "https://r.example/domain/xn--mller-kva.de";
        QTest::newRow("plain http refused") << "http://rdap.cctld.kg/"
                                            << "a.kg"
                                            << "";
        QTest::newRow("slash in name") << "https://r.example/"
                                       << "a/../b.com"
                                       << "";
        QTest::newRow("query in name") << "https://r.example/"
                                       << "a.com?x=1"
                                       << "";
        QTest::newRow("empty label") << "https://r.example/"
                                     << "a..com"
                                     << "";
        QTest::newRow("empty name") << "https://r.example/"
                                    << ""
                                    << "";
        QTest::newRow("no host") << "https:///rdap/"
                                 << "a.com"
                                 << "";
    }

    void requestAddress()
    {
        QFETCH(QString, base);
        QFETCH(QString, domain);
        QFETCH(QString, url);
        const QUrl made = Rdap::domainUrl(base, domain);
        QCOMPARE(made.isValid() ? made.toString() : QString(), url);
    }

    void answers_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("cut");
        QTest::addColumn<Verdict>("verdict");

        QTest::newRow("real 200 sample") << 200 << fixture("rdap-sample-200.json") << false << Verdict::Taken;
        QTest::newRow("real 404 sample") << 404 << fixture("rdap-sample-404.json") << false << Verdict::Free;
        QTest::newRow("404 without body") << 404 << QByteArray() << false << Verdict::Free;
        QTest::newRow("404 body cut") << 404 << QByteArray("{\"err") << true << Verdict::Free;
        QTest::newRow("redemption period is taken")
            << 200 << QByteArray(R"({"objectClassName":"domain","status":["redemption period"]})") << false
            << Verdict::Taken;
        // The real 404 body is an error object, not a domain: a 200 carrying it confirms nothing.
        QTest::newRow("200 error object") << 200 << fixture("rdap-sample-404.json") << false << Verdict::NotChecked;
        QTest::newRow("200 entity") << 200 << QByteArray(R"({"objectClassName":"entity"})") << false
                                    << Verdict::NotChecked;
        QTest::newRow("200 array") << 200 << QByteArray(R"([{"objectClassName":"domain"}])") << false
                                   << Verdict::NotChecked;
        QTest::newRow("200 class case differs")
            << 200 << QByteArray(R"({"objectClassName":"Domain"})") << false << Verdict::NotChecked;
        QTest::newRow("200 html") << 200 << QByteArray("<html>objectClassName domain</html>") << false
                                  << Verdict::NotChecked;
        QTest::newRow("200 empty") << 200 << QByteArray() << false << Verdict::NotChecked;
        QTest::newRow("200 cut at the bound") << 200 << fixture("rdap-sample-200.json") << true << Verdict::NotChecked;
        QTest::newRow("400") << 400 << QByteArray() << false << Verdict::NotChecked;
        QTest::newRow("500") << 500 << fixture("rdap-sample-200.json") << false << Verdict::NotChecked;
        QTest::newRow("second 429") << 429 << QByteArray() << false << Verdict::NotChecked;
        QTest::newRow("204") << 204 << QByteArray() << false << Verdict::NotChecked;
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

        QTest::newRow("seconds") << QByteArray("1") << 1;
        QTest::newRow("blanks") << QByteArray(" 7 ") << 7;
        QTest::newRow("capped") << QByteArray("3600") << 60;
        QTest::newRow("huge number") << QByteArray("99999999999999999999999") << 60;
        QTest::newRow("zero") << QByteArray("0") << 0;
        QTest::newRow("negative") << QByteArray("-5") << 2;
        QTest::newRow("absent") << QByteArray() << 2;
        QTest::newRow("garbage") << QByteArray("soon") << 2;
        QTest::newRow("date ahead") << QByteArray("Thu, 23 Jul 2026 02:00:13 GMT") << 10;
        QTest::newRow("date far ahead") << QByteArray("Fri, 24 Jul 2026 02:00:00 GMT") << 60;
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
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("domain");
        QTest::addColumn<QString>("service");

        const QByteArray layered = directory(QStringLiteral("uk=https://uk.example/;co.uk=https://co-uk.example/rdap;"
                                                            "test=https://first.example/ https://second.example/"));
        QTest::newRow("longest match wins") << layered << "name.co.uk"
                                            << "https://co-uk.example/rdap/";
        QTest::newRow("shorter where longer does not match") << layered << "name.org.uk"
                                                             << "https://uk.example/";
        QTest::newRow("labels match whole, not in part") << layered << "name.eco.uk"
                                                         << "https://uk.example/";
        QTest::newRow("letter case") << layered << "NAME.CO.UK"
                                     << "https://co-uk.example/rdap/";
        QTest::newRow("first address of a service") << layered << "a.test"
                                                    << "https://first.example/";
        QTest::newRow("no entry") << layered << "name.de"
                                  << "";
        QTest::newRow("entry as name's inner label") << layered << "uk.de"
                                                     << "";

        // An http-only service is no service, and the parent's server is not asked in its place.
        const QByteArray httpOnly = directory(QStringLiteral("kg=http://rdap.cctld.kg/;x.kg=https://x.example/"));
        QTest::newRow("http only") << httpOnly << "name.kg"
                                   << "";
        QTest::newRow("http-only parent, https child") << httpOnly << "a.x.kg"
                                                       << "https://x.example/";
        const QByteArray mixed = directory(QStringLiteral("mg=http://plain.example/ https://secure.example/"));
        QTest::newRow("https preferred") << mixed << "name.mg"
                                         << "https://secure.example/";
        const QByteArray idn = directory(QStringLiteral("xn--p1ai=https://ru.example/"));
        QTest::newRow("U-label name, A-label entry")
            << idn << QStringLiteral("name.\u0440\u0444") << "https://ru.example/";
    }

    void serviceChoice()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, domain);
        QFETCH(QString, service);
        const std::optional<RdapBootstrap> bootstrap = RdapBootstrap::parse(json);
        QVERIFY(bootstrap);
        QCOMPARE(bootstrap->serviceFor(domain), service);
    }

    void plainHttpOnlyWhenAllowed()
    {
        const QByteArray json = directory(QStringLiteral("kg=http://rdap.cctld.kg/"));
        QCOMPARE(RdapBootstrap::parse(json)->serviceFor(QStringLiteral("a.kg")), QString());
        Rdap::PlainHttpAllowed = true;
        QCOMPARE(RdapBootstrap::parse(json)->serviceFor(QStringLiteral("a.kg")),
                 QStringLiteral("http://rdap.cctld.kg/"));
    }

    void badDirectories_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("not json") << QByteArray("<html>");
        QTest::newRow("array") << QByteArray("[]");
        QTest::newRow("no services") << QByteArray(R"({"version":"1.0"})");
        QTest::newRow("services not a list") << QByteArray(R"({"services":{}})");
        QTest::newRow("no entries") << QByteArray(R"({"services":[]})");
        QTest::newRow("only malformed services") << QByteArray(R"({"services":[["com"],[["net"]],[1,2]]})");
        QTest::newRow("cut short") << directory(QStringLiteral("com=https://c.example/")).left(40);
    }

    void badDirectories()
    {
        QFETCH(QByteArray, json);
        QVERIFY(!RdapBootstrap::parse(json));
    }

    // The file shipped beside the program: every domain of the program's table either has an HTTPS service or
    // none, the well-known ones as the registries publish them.
    void shippedDirectory()
    {
        const std::optional<RdapBootstrap> shipped =
            Rdap::readBootstrap(QStringLiteral(ORLEVAN_SOURCE_DIR "/data/rdap/dns.json"));
        QVERIFY(shipped);
        QCOMPARE(shipped->publication(), utc("2026-07-23T02:00:03Z"));
        QCOMPARE(shipped->entryCount(), 1200);
        QCOMPARE(shipped->serviceFor(QStringLiteral("example.com")),
                 QStringLiteral("https://rdap.verisign.com/com/v1/"));
        QCOMPARE(shipped->serviceFor(QStringLiteral("x.dev")), QStringLiteral("https://pubapi.registry.google/rdap/"));
        QCOMPARE(shipped->serviceFor(QStringLiteral("x.de")), QString());
        QCOMPARE(shipped->serviceFor(QStringLiteral("x.kg")), QString());
        QCOMPARE(shipped->serviceFor(QStringLiteral("x.mg")), QString());
    }

    void copyInForce_data()
    {
        QTest::addColumn<QString>("shipped"); // publication, "" for no file, "bad" for a damaged one
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("service"); // which copy answers for "a.test"

        QTest::newRow("newer user copy") << "2026-07-23T02:00:03Z"
                                         << "2026-09-30T00:00:00Z"
                                         << "user";
        QTest::newRow("same age") << "2026-07-23T02:00:03Z"
                                  << "2026-07-23T02:00:03Z"
                                  << "user";
        QTest::newRow("older user copy after an update") << "2026-07-23T02:00:03Z"
                                                         << "2025-11-06T00:00:00Z"
                                                         << "shipped";
        QTest::newRow("damaged user copy") << "2026-07-23T02:00:03Z"
                                           << "bad"
                                           << "shipped";
        QTest::newRow("no user copy") << "2026-07-23T02:00:03Z"
                                      << ""
                                      << "shipped";
        QTest::newRow("no shipped copy") << ""
                                         << "2025-11-06T00:00:00Z"
                                         << "user";
        QTest::newRow("neither") << ""
                                 << ""
                                 << "";
    }

    void copyInForce()
    {
        QFETCH(QString, shipped);
        QFETCH(QString, user);
        QFETCH(QString, service);
        QTemporaryDir dir;
        Utils::ProgramFolder = dir.filePath(QStringLiteral("program"));
        Rdap::DataFolder = dir.filePath(QStringLiteral("data"));
        const auto write = [](const QString& path, const QString& publication, const char* host) {
            QDir().mkpath(QFileInfo(path).absolutePath());
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(
                publication == QLatin1String("bad")
                    ? QByteArray("{\"services\":")
                    : directory(QStringLiteral("test=https://%1.example/").arg(QLatin1String(host)), publication));
        };
        if (!shipped.isEmpty())
            write(Rdap::shippedBootstrapPath(), shipped, "shipped");
        if (!user.isEmpty())
            write(Rdap::userBootstrapPath(), user, "user");
        const QString found = Rdap::loadBootstrap().serviceFor(QStringLiteral("a.test"));
        QCOMPARE(found, service.isEmpty() ? QString() : QStringLiteral("https://%1.example/").arg(service));
        Utils::ProgramFolder.clear();
        Rdap::DataFolder.clear();
    }

    void refreshDue_data()
    {
        QTest::addColumn<QDateTime>("checked");
        QTest::addColumn<bool>("due");
        QTest::newRow("never") << QDateTime() << true;
        QTest::newRow("yesterday") << utc("2026-07-22T12:00:00Z") << false;
        QTest::newRow("six days ago") << utc("2026-07-17T12:00:01Z") << false;
        QTest::newRow("a week ago") << utc("2026-07-16T12:00:00Z") << true;
        QTest::newRow("clock set back") << utc("2027-01-01T00:00:00Z") << true;
    }

    void refreshDue()
    {
        QFETCH(QDateTime, checked);
        QFETCH(bool, due);
        QCOMPARE(Rdap::refreshDue(checked, utc("2026-07-23T12:00:00Z")), due);
    }

    void conditionalRequest()
    {
        const QDateTime inHand = utc("2026-07-23T02:00:03Z");
        using Headers = QList<QPair<QByteArray, QByteArray>>;
        // Nothing fetched yet: the shipped copy's publication.
        QCOMPARE(Rdap::conditionalHeaders({}, inHand),
                 Headers({{"If-Modified-Since", "Thu, 23 Jul 2026 02:00:03 GMT"}}));
        Rdap::FetchState state{utc("2026-07-20T00:00:00Z"), "Thu, 23 Jul 2026 02:00:03 GMT", "\"abc\"", inHand};
        QCOMPARE(Rdap::conditionalHeaders(state, inHand),
                 Headers({{"If-None-Match", "\"abc\""}, {"If-Modified-Since", "Thu, 23 Jul 2026 02:00:03 GMT"}}));
        // The fetched copy is gone (an older shipped one is in hand): its validators would earn a 304.
        QCOMPARE(Rdap::conditionalHeaders(state, utc("2025-11-06T00:00:00Z")),
                 Headers({{"If-Modified-Since", "Thu, 06 Nov 2025 00:00:00 GMT"}}));
        QCOMPARE(Rdap::conditionalHeaders({}, QDateTime()), Headers());
    }

    void fetchedReplacement_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("replaces");

        QTest::newRow("newer") << 200 << directory(QStringLiteral("com=https://c.example/"), "2026-09-30T00:00:00Z")
                               << true;
        QTest::newRow("same") << 200 << directory(QStringLiteral("com=https://c.example/")) << true;
        QTest::newRow("older") << 200 << directory(QStringLiteral("com=https://c.example/"), "2025-01-01T00:00:00Z")
                               << false;
        QTest::newRow("undated") << 200 << directory(QStringLiteral("com=https://c.example/"), "") << false;
        QTest::newRow("not modified") << 304 << QByteArray() << false;
        QTest::newRow("error page") << 500 << directory(QStringLiteral("com=https://c.example/")) << false;
        QTest::newRow("damaged") << 200 << QByteArray("{\"services\":[") << false;
    }

    void fetchedReplacement()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, replaces);
        const RdapBootstrap inHand = *RdapBootstrap::parse(directory(QStringLiteral("com=https://old.example/")));
        QCOMPARE(Rdap::fetchedReplacement(status, body, inHand).has_value(), replaces);
        // Without a copy in hand any valid directory will do.
        QCOMPARE(Rdap::fetchedReplacement(status, body, RdapBootstrap()).has_value(),
                 status == 200 && RdapBootstrap::parse(body).has_value());
    }
};

QTEST_GUILESS_MAIN(TestRdap)
#include "tst_rdap.moc"
