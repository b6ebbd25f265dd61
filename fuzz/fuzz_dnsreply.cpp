// Arbitrary datagrams into a checking run's reply path: parsing, matching to a cell, and recording.
#include "FuzzSupport.h"

#include "dns/CheckResults.h"
#include "dns/CheckRun.h"
#include "dns/DNS.h"

#include <QSet>

namespace {

const QHostAddress Server(QStringLiteral("127.0.0.1"));
constexpr quint16 ServerPort = 5353;
constexpr int Columns = 2;
constexpr int Rows = 3;

class FeedTransport final : public DnsTransport
{
public:
    using DnsTransport::DnsTransport;
    bool open(QAbstractSocket::NetworkLayerProtocol) override { return true; }
    bool send(const QByteArray&, const QHostAddress&, quint16) override { return true; }
    void close() override {}
    quint16 localPort() const override { return 4000; }
    void feed(const QByteArray& datagram, const QHostAddress& sender, quint16 port)
    {
        Q_EMIT datagramReceived(datagram, sender, port);
    }
};

class StepTicks final : public TickSource
{
public:
    using TickSource::TickSource;
    void start(int) override { running = true; }
    void stop() override { running = false; }
    void fire()
    {
        if (running)
            Q_EMIT tick();
    }
    bool running = false;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::ensureApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Each record: flags, length, then that many bytes. Flags: 1 other address, 2 other port, 4 a tick first,
    // 8 the bytes follow a real reply to cell (length % 6) with the first byte as its code.
    const QByteArray whole = Fuzz::bytes(data, size);
    DNS::ParseReply(whole);
    DNS::AnswersQuery(whole, QStringLiteral("ab.com"));

    static const char* names[Columns][Rows] = {{"ab.com", "cd.com", "ef.com"}, {"ab.net", "cd.net", "ef.net"}};
    CheckResultTable table;
    table.reset(Columns, Rows);
    for (int c = 1; c <= Columns; ++c) {
        for (int r = 1; r <= Rows; ++r) {
            table(c, r).domain = QString::fromLatin1(names[c - 1][r - 1]);
            table(c, r).queryId = qint16((c - 1) * Rows + r);
        }
    }
    CheckRun::Setup setup;
    setup.nameServer = Server.toString();
    setup.port = ServerPort;
    setup.passes = 2;
    setup.columns = Columns;
    setup.rows = Rows;
    auto ticks = std::make_unique<StepTicks>();
    auto transport = std::make_unique<FeedTransport>();
    StepTicks* tickSource = ticks.get();
    FeedTransport* feed = transport.get();
    CheckRun run(table, setup, std::move(ticks), std::move(transport));
    run.start();
    Fuzz::require(run.state() == CheckRun::State::Running, "a literal address starts the run at once");

    QSet<int> nameErrors; // ids answered with a name error by the server
    QSet<int> otherCodes; // ids answered otherwise by the server
    Fuzz::Reader in(data, size);
    while (!in.atEnd()) {
        const uint8_t flags = in.byte();
        const uint8_t length = in.byte();
        QByteArray datagram;
        if (flags & 8) {
            const int cell = length % (Columns * Rows);
            const CheckResult& target = table(cell / Rows + 1, cell % Rows + 1);
            datagram = DNS::BuildQuery(target.domain, target.queryId);
            datagram[2] = char(0x81);
            datagram[3] = char(0x80 | (in.byte() & 0x1F));
            datagram += in.take(length % 8);
        } else {
            datagram = in.take(length);
        }
        if (flags & 4)
            tickSource->fire();
        const QHostAddress sender = (flags & 1) ? QHostAddress(QStringLiteral("127.0.0.2")) : Server;
        const quint16 port = (flags & 2) ? quint16(ServerPort + 1) : ServerPort;
        const bool fromServer = !(flags & 3);
        if (fromServer && datagram.size() >= 4) {
            const int id = quint8(datagram[0]) * 256 + quint8(datagram[1]);
            ((quint8(datagram[3]) & 0x1F) == 3 ? nameErrors : otherCodes).insert(id);
        }
        feed->feed(datagram, sender, port);
        Fuzz::require(run.repliesReceived() <= Columns * Rows, "replies counted past the candidates");
    }

    for (int i = 0; i < 200 && run.state() == CheckRun::State::Running; ++i)
        tickSource->fire();
    Fuzz::require(run.state() == CheckRun::State::Completed, "the run ends within its ticks");
    for (int c = 1; c <= Columns; ++c) {
        for (int r = 1; r <= Rows; ++r) {
            const CheckResult& cell = table(c, r);
            Fuzz::require(cell.status != Pending, "a cell left pending after the run");
            if (cell.status == Free)
                Fuzz::require(nameErrors.contains(cell.queryId), "free without a name error from the server");
            if (cell.status == Taken)
                Fuzz::require(otherCodes.contains(cell.queryId), "taken without an answer from the server");
        }
    }
    return 0;
}
