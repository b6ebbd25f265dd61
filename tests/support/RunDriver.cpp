#include "support/RunDriver.h"

#include "dns/DnsTransport.h"

#include <QTest>

CheckRun::Io RunDriver::io()
{
    CheckRun::Io io;
    io.ticks = [this] {
        auto made = std::make_unique<ManualTickSource>();
        ticks = made.get();
        return made;
    };
    io.transport = [this] {
        auto made = std::make_unique<UdpTransport>();
        socket = made.get();
        QObject::connect(made.get(), &DnsTransport::datagramReceived, made.get(), [this](const QByteArray& datagram) {
            if (datagram == QByteArray(FakeNameServer::Sentinel, 2))
                ++sentinels;
        });
        return made;
    };
    return io;
}

bool RunDriver::settle(const CheckRun* run)
{
    return QTest::qWaitFor([&] { return ns.queries.size() >= run->queriesSent(); }, 5000) &&
           QTest::qWaitFor(
               [&] {
                   if (socket)
                       socket->poll(); // the run reads at its ticks
                   return sentinels >= ns.queries.size();
               },
               5000);
}

bool RunDriver::finish(CheckRun* run, const std::function<bool()>& beforeTick)
{
    if (!QTest::qWaitFor([run] { return run->state() != CheckRun::State::Resolving; }, 10000))
        return false;
    for (int tick = 0; run->inProgress(); ++tick) {
        if (tick > 30000 || !settle(run) || (beforeTick && !beforeTick()))
            return false;
        ticks->fire();
    }
    return true;
}
