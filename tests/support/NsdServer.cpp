#include "support/NsdServer.h"

#include "dns/DNS.h"
#include "support/ProgramState.h"

#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QUdpSocket>

NsdServer::~NsdServer()
{
    m_process.kill();
    m_process.waitForFinished(5000);
}

bool NsdServer::answers()
{
    QUdpSocket socket;
    for (int attempt = 0; attempt < 100 && m_process.state() == QProcess::Running; ++attempt) {
        socket.writeDatagram(DNS::BuildQuery(QStringLiteral("probe"), 7), QHostAddress::LocalHost, m_port);
        if (socket.waitForReadyRead(100))
            return true;
    }
    return false;
}

QString NsdServer::start(const QMap<QString, QStringList>& zones)
{
    const QString nsd = QStandardPaths::findExecutable(QStringLiteral("nsd"), {QStringLiteral("/usr/sbin")});
    if (nsd.isEmpty())
        return QStringLiteral("nsd is not installed: install the Debian package nsd (scripts/packages.txt lists it)");
    const QString dir = m_dir.path();
    QString config =
        QStringLiteral("server:\n ip-address: 127.0.0.1\n port: %1\n username: \"\"\n chroot: \"\"\n"
                       " zonesdir: \"%2\"\n pidfile: \"%2/nsd.pid\"\n database: \"\"\n xfrdfile: \"%2/xfrd\"\n"
                       " zonelistfile: \"%2/zone.list\"\n xfrdir: \"%2\"\n logfile: \"%2/nsd.log\"\n"
                       " server-count: 1\nremote-control:\n control-enable: no\n");
    for (auto it = zones.cbegin(); it != zones.cend(); ++it) {
        writeFile(dir + QLatin1Char('/') + it.key(),
                  QStringLiteral("$ORIGIN %1.\n$TTL 60\n@ SOA ns.%1. admin.%1. 1 3600 600 86400 60\n@ NS ns.%1.\n"
                                 "ns A 127.0.0.1\n%2 A 127.0.0.2\n")
                      .arg(it.key(), it.value().join(QStringLiteral(" A 127.0.0.2\n")))
                      .toUtf8());
        config += QStringLiteral("zone:\n name: \"%1\"\n zonefile: \"%1\"\n").arg(it.key());
    }
    // A port free for both UDP and TCP, as the server binds both; taken meanwhile, the next try takes another.
    for (int attempt = 0; attempt < 5; ++attempt) {
        QUdpSocket udp;
        QTcpServer tcp;
        if (!udp.bind(QHostAddress::LocalHost, 0) || !tcp.listen(QHostAddress::LocalHost, udp.localPort()))
            continue;
        m_port = udp.localPort();
        udp.close();
        tcp.close();
        writeFile(dir + QStringLiteral("/nsd.conf"), config.arg(m_port).arg(dir).toUtf8());
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(nsd, {QStringLiteral("-d"), QStringLiteral("-c"), dir + QStringLiteral("/nsd.conf")});
        if (m_process.waitForStarted(5000) && answers())
            return QString();
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    QFile log(dir + QStringLiteral("/nsd.log"));
    log.open(QIODevice::ReadOnly);
    return QStringLiteral("nsd did not start: ") + QString::fromLocal8Bit(m_process.readAll() + log.readAll());
}
