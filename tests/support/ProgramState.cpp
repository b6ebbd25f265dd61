#include "support/ProgramState.h"

#include "core/Environment.h"
#include "core/FileOps.h"
#include "core/Utils.h"
#include "whois/RdapBootstrapUpdater.h"
#include "whois/RdapClient.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

void resetProgramState(const QString& folder)
{
    QStandardPaths::setTestModeEnabled(true);
    QDir(folder).removeRecursively();
    QDir().mkpath(folder + QStringLiteral("/program"));
    Utils::DomainTable.fill(Utils::TldRecord{});
    Utils::TldCount = 0;
    Utils::AppSettings = Utils::Settings{};
    Utils::SettingsDamaged = false;
    Utils::SettingsInMemory.clear();
    Utils::SettingsSaveFailed = false;
    Utils::DefaultDomains.clear();
    delete RdapBootstrapUpdater::program(false);
    RdapPacer::shared().clear();
    Environment& environment = Environment::current();
    environment = Environment{};
    environment.settingsFile = folder + QStringLiteral("/config/Orlevan.ini");
    environment.programFolder = folder + QStringLiteral("/program");
    environment.resolvConfPath = folder + QStringLiteral("/resolv.conf");
    environment.dataFolder = folder + QStringLiteral("/data");
}

namespace {
QByteArray scrambled(const QStringList& plainLines)
{
    QByteArray bytes;
    for (const QString& line : plainLines)
        bytes += FileOps::UnscrambleLine(line).toLatin1() + "\r\n";
    return bytes;
}
} // namespace

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeDataFile(const QString& path, const QStringList& plainLines)
{
    writeFile(path, scrambled(plainLines));
}

void loadTable(const QStringList& plainLines)
{
    Utils::ParseDomainTable(scrambled(plainLines));
}
