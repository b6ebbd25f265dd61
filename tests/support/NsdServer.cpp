#include "support/NsdServer.h"

#include "dns/DNS.h"

#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QUdpSocket>

namespace {

bool writeFile(const QString& path, const QString& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text.toUtf8()) >= 0;
}

// A port free for both UDP and TCP on 127.0.0.1, as the server binds both.
quint16 freePort()
{
    for (int attempt = 0; attempt < 20; ++attempt) {
        QUdpSocket udp;
        if (!udp.bind(QHostAddress::LocalHost, 0))
            continue;
        QTcpServer tcp;
        if (tcp.listen(QHostAddress::LocalHost, udp.localPort()))
            return udp.localPort();
    }
    return 0;
}

} // namespace

NsdServer::~NsdServer()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000))
        m_process.kill();
    m_process.waitForFinished(5000);
}

bool NsdServer::answers()
{
    QUdpSocket socket;
    const QByteArray query = DNS::BuildQuery(QStringLiteral("probe"), 7);
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (m_process.state() != QProcess::Running)
            return false;
        socket.writeDatagram(query, QHostAddress::LocalHost, m_port);
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
    if (!m_dir.isValid())
        return QStringLiteral("no temporary folder");
    const QString dir = m_dir.path();
    QString zoneConfig;
    for (auto it = zones.cbegin(); it != zones.cend(); ++it) {
        QString text = QStringLiteral("$ORIGIN %1.\n$TTL 60\n@ IN SOA ns.%1. admin.%1. 1 3600 600 86400 60\n"
                                      "@ IN NS ns.%1.\nns IN A 127.0.0.1\n")
                           .arg(it.key());
        for (const QString& host : it.value())
            text += host + QStringLiteral(" IN A 127.0.0.2\n");
        if (!writeFile(dir + QStringLiteral("/%1.zone").arg(it.key()), text))
            return QStringLiteral("cannot write a zone file");
        zoneConfig += QStringLiteral("zone:\n  name: \"%1\"\n  zonefile: \"%2/%1.zone\"\n").arg(it.key(), dir);
    }
    for (int attempt = 0; attempt < 3; ++attempt) {
        m_port = freePort();
        if (!m_port)
            return QStringLiteral("no free port on 127.0.0.1");
        writeFile(dir + QStringLiteral("/nsd.conf"),
                  QStringLiteral("server:\n  ip-address: 127.0.0.1\n  port: %1\n  username: \"\"\n"
                                 "  chroot: \"\"\n  zonesdir: \"%2\"\n  pidfile: \"%2/nsd.pid\"\n"
                                 "  database: \"\"\n  xfrdfile: \"%2/xfrd.state\"\n"
                                 "  zonelistfile: \"%2/zone.list\"\n  xfrdir: \"%2\"\n"
                                 "  logfile: \"%2/nsd.log\"\n  server-count: 1\n"
                                 "remote-control:\n  control-enable: no\n")
                          .arg(m_port)
                          .arg(dir) +
                      zoneConfig);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(nsd, {QStringLiteral("-d"), QStringLiteral("-c"), dir + QStringLiteral("/nsd.conf")});
        if (m_process.waitForStarted(5000) && answers())
            return QString();
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    QFile log(dir + QStringLiteral("/nsd.log"));
    log.open(QIODevice::ReadOnly);
    m_port = 0;
    return QStringLiteral("nsd did not start: ") + QString::fromLocal8Bit(m_process.readAll()) +
           QString::fromLocal8Bit(log.readAll());
}
