#include "support/ProgramState.h"

#include "core/FileOps.h"
#include "core/Utils.h"
#include "dns/CheckResults.h"
#include "dns/CheckRun.h"
#include "dns/DNS.h"
#include "check/WhoisConfirmation.h"
#include "whois/Rdap.h"
#include "whois/RdapBootstrap.h"
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
    Utils::SettingsFile = folder + QStringLiteral("/config/Orlevan.ini");
    Utils::ProgramFolder = folder + QStringLiteral("/program");
    Utils::ResolvConfPath = folder + QStringLiteral("/resolv.conf");
    Utils::DefaultDomains.clear();
    Utils::CheckList.fill(QString());
    Utils::TypedNames.clear();
    Utils::CheckCount = 0;
    Utils::BareNames = false;
    Utils::CheckRunning = false;
    CheckResults.reset(0, 0);
    static const quint16 programsPort = DNS::NameServerPort; // as the program has it, before any test aims it
    DNS::NameServerPort = programsPort;
    CheckRun::tickSourceFactory = {};
    CheckRun::transportFactory = {};
    WhoisConfirmation::limits = {};
    Rdap::PlainHttpAllowed = false;
    Rdap::BootstrapUrl.clear();
    Rdap::DataFolder = folder + QStringLiteral("/data");
    RdapBootstrapUpdater::lastAttempt = {};
    RdapPacer::shared().clear();
    RdapPacer::clock = &RdapPacer::monotonicMs;
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
