#pragma once

#include <QMap>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// A real name server (NSD) on 127.0.0.1 for tests, serving the given zones: origin -> host names that exist.
// Started by the test, stopped with the object.
class NsdServer final
{
public:
    NsdServer() = default;
    ~NsdServer();
    NsdServer(const NsdServer&) = delete;
    NsdServer& operator=(const NsdServer&) = delete;

    // Empty when it runs, otherwise why not.
    QString start(const QMap<QString, QStringList>& zones);
    quint16 port() const { return m_port; }

private:
    bool answers();

    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
};
