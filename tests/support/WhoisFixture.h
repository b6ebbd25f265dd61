#pragma once

#include "support/FakeWhoisServer.h"

#include <QFile>
#include <QTest>

using Mode = FakeWhoisServer::Mode;
using Script = FakeWhoisServer::Script;

namespace WhoisFixture {
constexpr int Bound = 10000;

// A stored real answer from tests/whois/fixtures.
inline QByteArray sample(const char* name)
{
    QFile file(QStringLiteral(ORLEVAN_SOURCE_DIR "/tests/whois/fixtures/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The port to ask: "refused" nobody listens there, "stalled" a listener that never accepts, anything else a
// started server. 0 when the server could not be started.
inline quint16 startServer(FakeWhoisServer& server, const QString& kind)
{
    if (kind == QLatin1String("refused"))
        return FakeWhoisServer::refusedPort();
    if (kind == QLatin1String("stalled"))
        return server.startStalled() && QTest::qWaitFor([&] { return server.stalled(); }, Bound) ? server.port() : 0;
    return server.start() ? server.port() : 0;
}
} // namespace WhoisFixture

using WhoisFixture::Bound;
