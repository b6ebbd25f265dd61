#include "core/AppInfo.h"
#include "core/Environment.h"
#include "core/FileOps.h"
#include "core/Platform.h"
#include "core/Utils.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <cstdio>

namespace Utils {

std::array<TldRecord, DomainTableSize> DomainTable;
qint16 TldCount = 0;
QString programFolder()
{
    if (const QString& folder = Environment::current().programFolder; !folder.isEmpty())
        return folder;
    return QCoreApplication::applicationDirPath();
}

QString dataFolder()
{
    if (const QString& folder = Environment::current().dataFolder; !folder.isEmpty())
        return folder;
    // The window's folder, named after the program, whichever front end asks: both share what lies there.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QLatin1Char('/') + AppInfo::Title;
}

QString dataFilePath()
{
    return programFolder() + QStringLiteral("/orvtab.dll");
}

void ParseDomainTable(const QByteArray& bytes)
{
    DomainTable.fill(TldRecord{});
    TldCount = 0;

    // One byte is one character. CR LF or a lone CR ends a line; a lone LF belongs to the line.
    const auto addLine = [](const QByteArray& raw) {
        const QStringList fields = FileOps::UnscrambleLine(QString::fromLatin1(raw)).split(QLatin1Char(';'));
        if (fields.size() < 3)
            return;
        TldRecord& r = DomainTable[TldCount];
        r.Tld = fields.at(0);
        r.Description = fields.at(1);
        r.RegistrationSite = fields.at(2);
        r.SubLabels = fields.size() >= 4 ? fields.at(3) : QString();
        r.WhoisServer = fields.size() >= 5 ? fields.at(4) : QString();
        r.Selected = 0;
        ++TldCount;
    };

    qsizetype start = 0;
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n && TldCount < DomainTableSize; ++i) {
        if (bytes.at(i) != '\r')
            continue;
        addLine(bytes.mid(start, i - start));
        if (i + 1 < n && bytes.at(i + 1) == '\n')
            ++i;
        start = i + 1;
    }
    if (start < n && TldCount < DomainTableSize)
        addLine(bytes.mid(start));
}

bool LoadDomainTableFrom(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // The largest sensible table is a few dozen kilobytes; a huge file is cut rather than read whole.
    constexpr qint64 MaxBytes = 16 * 1024 * 1024;
    ParseDomainTable(file.read(MaxBytes));
    return true;
}

QString loadErrorCaption()
{
    return AppInfo::Title + QStringLiteral(" load error.");
}

Failure LoadDomainTable()
{
    const bool opened = LoadDomainTableFrom(dataFilePath());
    if (opened && TldCount > 0)
        return std::nullopt;
    // A file without a single record is as useless as a missing one, and says so.
    const QString first =
        opened ? QStringLiteral("orvtab.dll holds no top-level domains") : QStringLiteral("Cannot find orvtab.dll");
    return first + QLatin1Char('\r') + QStringLiteral("Make sure this file is in your ") + AppInfo::Title +
           QStringLiteral(" directory.") + QLatin1Char('\r') + QDir::toNativeSeparators(programFolder());
}

QString LastLabel(const QString& domain)
{
    return domain.mid(domain.lastIndexOf(QLatin1Char('.')) + 1);
}

qint16 FindTld(const QString& domain)
{
    const QString label = LastLabel(domain);
    // Index 0 is never compared: it is the answer when nothing matches. The slot after the last record takes part.
    const int last = std::min<int>(TldCount, DomainTableSize - 1);
    qint16 found = 0;
    for (int i = 1; i <= last; ++i) {
        if (DomainTable[i].Tld == label)
            found = qint16(i);
    }
    return found;
}

QStringList TldRecord::suffixes() const
{
    if (SubLabels.isEmpty())
        return {Tld};
    QStringList out;
    for (const QString& label : SubLabels.split(QLatin1Char(':')))
        out.append(label.isEmpty() ? Tld : label + QLatin1Char('.') + Tld);
    return out;
}

Registry RegistryOf(const QString& domain)
{
    // Registries know no letter case: "ZZ-FREE.NET" belongs to net.
    const TldRecord& record = DomainTable[FindTld(domain.toLower())];
    return {QString(), record.Tld, record.RegistrationSite,
            record.WhoisServer.trimmed().isEmpty() ? DefaultWhoisServer : record.WhoisServer, QString()};
}

QStringList SelectedSuffixes(bool personalSelection)
{
    if (!personalSelection)
        return DefaultDomains;
    QStringList out;
    for (int i = 0; i < TldCount; ++i) {
        if (DomainTable[i].Selected == 1)
            out += DomainTable[i].suffixes();
    }
    return out;
}

std::optional<QStringList> SuffixesFor(const QString& label)
{
    const QString wanted = label.trimmed().toLower();
    for (int i = 0; i < TldCount; ++i) {
        if (DomainTable[i].Tld.toLower() == wanted)
            return DomainTable[i].suffixes();
    }
    for (int i = 0; i < TldCount; ++i) {
        for (const QString& suffix : DomainTable[i].suffixes()) {
            if (suffix.toLower() == wanted)
                return QStringList{suffix};
        }
    }
    return std::nullopt;
}

} // namespace Utils
