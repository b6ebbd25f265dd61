#include "dns/DNS.h"
#include "dns/DnsTransport.h"
#include "dns/RunSchedule.h"

#include <QTest>

using Ticks = QList<QPair<int, int>>;

namespace {
QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

// A reply to `name` with id 1: header bytes 2 and 3 given, one question, type and class any.
QByteArray reply(const QString& name, quint8 flags, quint8 rcodeByte, int questions = 1)
{
    QByteArray out = hex("0001");
    out.append(char(flags)).append(char(rcodeByte));
    out.append(char(0)).append(char(questions)).append(QByteArray(6, 0));
    if (questions > 0)
        out.append(DNS::EncodeName(name)).append(hex("00ff00ff"));
    return out;
}
} // namespace

class TestDns : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initSocket()
    {
        UdpTransport socket;
        QCOMPARE(DNS::InitSocket(socket, QHostAddress()), int(DNS::InitNoServerAddress));
        QCOMPARE(DNS::InitSocket(socket, QHostAddress(QHostAddress::LocalHost)), 0);
        QVERIFY(socket.localPort() != 0);
        // A second set-up closes the socket first instead of failing on the port it holds.
        QCOMPARE(DNS::InitSocket(socket, QHostAddress(QHostAddress::LocalHost)), 0);
        QVERIFY(socket.localPort() != 0);
    }

    void query_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("id");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray header = hex("0100000100000000 0000");
        QTest::newRow("seven letters, id 1")
            << "example.com" << 1
            << hex("0001") + header + hex("07") + "example" + hex("03") + "com" + hex("00 00ff00ff");
        QTest::newRow("sub-label, id 300")
            << "Name.co.uk" << 300
            << hex("012c") + header + hex("04") + "Name" + hex("02") + "co" + hex("02") + "uk" + hex("00 00ff00ff");
        QTest::newRow("id 2047, empty labels")
            << ".a..b." << 2047 << hex("07ff") + header + hex("00 0161 00 0162 00 00 00ff00ff");
        const QString label64(64, QLatin1Char('x'));
        QTest::newRow("label of 64 sent as is")
            << label64 + ".nu" << 5
            << hex("0005") + header + hex("40") + label64.toLatin1() + hex("02") + "nu" + hex("00 00ff00ff");
    }
    void query()
    {
        QFETCH(QString, name);
        QFETCH(int, id);
        QFETCH(QByteArray, expected);
        const QString before = name;
        QCOMPARE(DNS::BuildQuery(name, qint16(id)), expected);
        QCOMPARE(name, before);
    }

    void parse_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<bool>("parsed");
        QTest::addColumn<int>("id");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<int>("rcode");
        QTest::addColumn<bool>("qr");
        QTest::newRow("3 bytes") << hex("000181") << false << 0 << false << 0 << false;
        QTest::newRow("name error, RA") << hex("00018183") << true << 1 << false << 3 << true;
        QTest::newRow("success") << hex("00018180") << true << 1 << true << 0 << true;
        QTest::newRow("bit above rcode") << hex("00018193") << true << 1 << true << 3 << true;
        QTest::newRow("id 300, query bit clear") << hex("012c0183") << true << 300 << false << 3 << false;
        QTest::newRow("id above 32767") << hex("ffff8183") << true << 65535 << false << 3 << true;
    }
    void parse()
    {
        QFETCH(QByteArray, datagram);
        QFETCH(bool, parsed);
        const std::optional<DNS::ReplyInfo> info = DNS::ParseReply(datagram);
        QCOMPARE(info.has_value(), parsed);
        if (!parsed)
            return;
        QTEST(info->id, "id");
        QTEST(info->exists, "exists");
        QTEST(int(info->rcode), "rcode");
        QTEST(info->qr, "qr");
    }

    void question_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<QString>("candidate");
        QTest::addColumn<bool>("answers");
        QTest::newRow("same name") << reply("abc.com", 0x81, 0x83) << "abc.com" << true;
        QTest::newRow("other letter case") << reply("ABC.Com", 0x81, 0x80) << "abc.com" << true;
        QTest::newRow("other name") << reply("abd.com", 0x81, 0x83) << "abc.com" << false;
        QTest::newRow("query, not a reply") << reply("abc.com", 0x01, 0x83) << "abc.com" << false;
        QTest::newRow("no question, refused") << reply("", 0x81, 0x85, 0) << "abc.com" << true;
        QTest::newRow("no question, name error") << reply("", 0x81, 0x83, 0) << "abc.com" << false;
        QTest::newRow("question cut short") << reply("abc.com", 0x81, 0x83).chopped(3) << "abc.com" << false;
        QByteArray otherType = reply("abc.com", 0x81, 0x83);
        otherType[otherType.size() - 3] = 1;
        QTest::newRow("type A") << otherType << "abc.com" << false;
        // A length byte that is a letter must not match its other case.
        QByteArray lengthCase = reply(QString(65, QLatin1Char('a')), 0x81, 0x83);
        QTest::newRow("length byte 'A' is no 'a'") << lengthCase << QString(97, QLatin1Char('a')) << false;
    }
    void question()
    {
        QFETCH(QByteArray, datagram);
        QFETCH(QString, candidate);
        QTEST(DNS::AnswersQuery(datagram, candidate), "answers");
    }

    void labelLength()
    {
        QVERIFY(!DNS::OverlongLabel(QString(255, QLatin1Char('a')) + QStringLiteral(".com")));
        QCOMPARE(DNS::OverlongLabel(QStringLiteral("x.") + QString(256, QLatin1Char('b')) + QStringLiteral(".com")),
                 QString(256, QLatin1Char('b')));
    }

    // Ticks at which cells are asked; `answeredAt` lists (cell, tick) from which a cell has its answer.
    void schedule_data()
    {
        QTest::addColumn<int>("cells");
        QTest::addColumn<int>("passes");
        QTest::addColumn<Ticks>("answeredAt");
        QTest::addColumn<Ticks>("sends"); // (tick, cell)
        QTest::addColumn<int>("finishTick");
        QTest::newRow("one pass, no answers") << 3 << 1 << Ticks{} << Ticks{{0, 0}, {1, 1}, {2, 2}} << 3 + 3 + 10;
        QTest::newRow("all answered at once")
            << 3 << 3 << Ticks{{0, 1}, {1, 2}, {2, 3}} << Ticks{{0, 0}, {1, 1}, {2, 2}} << 3 + 9 + 10;
        // Cell 1 answered in pass 1 is skipped in pass 2; pass 2 starts 1 + 3 ticks after the last query.
        QTest::newRow("second pass skips answered")
            << 3 << 2 << Ticks{{1, 2}} << Ticks{{0, 0}, {1, 1}, {2, 2}, {6, 0}, {7, 2}} << 5 + 6 + 10;
        // An answer that comes during a pass, before the cell's turn, spares that query.
        QTest::newRow("answered before its turn") << 3 << 1 << Ticks{{2, 1}} << Ticks{{0, 0}, {1, 1}} << 2 + 3 + 10;
        QTest::newRow("no cells") << 0 << 3 << Ticks{} << Ticks{} << 9 + 10;
    }
    void schedule()
    {
        QFETCH(int, cells);
        QFETCH(int, passes);
        QFETCH(Ticks, answeredAt);
        QFETCH(Ticks, sends);
        QFETCH(int, finishTick);
        int now = 0;
        auto pending = [&](int cell) {
            for (const auto& [answered, tick] : answeredAt) {
                if (answered == cell && tick <= now)
                    return false;
            }
            return true;
        };
        RunSchedule schedule(cells, passes);
        Ticks seen;
        RunSchedule::Step step = schedule.begin(pending);
        while (!step.finished && now < 10000) {
            if (step.sendCell >= 0)
                seen.append({now, step.sendCell});
            ++now;
            step = schedule.tick(pending);
        }
        QCOMPARE(seen, sends);
        QCOMPARE(now, finishTick);
        QCOMPARE(now, int(RunSchedule::ticksFor(sends.size(), passes)));
    }
};

QTEST_GUILESS_MAIN(TestDns)
#include "tst_dns.moc"
