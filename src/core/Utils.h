#pragma once

#include "core/SettingsKeys.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

// Program-wide values and the routines that fill them. Windows read and write these directly.
namespace Utils {

// A message for the user when something could not be done; nothing when it was.
using Failure = std::optional<QString>;

// ---- Domain table -------------------------------------------------------------------------------------------------
struct TldRecord
{
    QString Tld;
    QString Description;
    QString RegistrationSite;
    quint8 Selected = 0;
    QString SubLabels; // second-level labels separated by ":"
    QString WhoisServer;

    // What names are asked under for this record: each second-level label under the label, or the label itself
    // when there are none. An empty second-level label stands for the label itself, where its registry takes
    // names directly.
    QStringList suffixes() const;
};

constexpr int DomainTableSize = 301;
extern std::array<TldRecord, DomainTableSize> DomainTable;
extern qint16 TldCount;

// Reads orvtab.dll from the program folder. On failure it answers the load-error message (caption
// loadErrorCaption()), and the caller ends the program.
Failure LoadDomainTable();
QString loadErrorCaption();
// Reads a data file into the table; false only when the file cannot be opened.
bool LoadDomainTableFrom(const QString& path);
// Fills the table from the raw bytes of a data file.
void ParseDomainTable(const QByteArray& bytes);
// The text after the last dot; the whole text when it has none.
QString LastLabel(const QString& domain);
// Index of the record of the domain's last label; 0 when no record matches.
qint16 FindTld(const QString& domain);

// Asked for every top-level domain whose record names no WHOIS server.
inline const QString DefaultWhoisServer = QStringLiteral("whois.internic.net");

// What the domain table knows of the registry of a domain, looked up once when a Check is planned.
struct Registry
{
    QString suffix; // what the name is asked under: a column's suffix, or a complete name after its first label
    QString tld;    // the label of the domain's record (record 0's when none matches)
    QString registrationSite;
    QString whoisServer; // the record's, or the default server when it names none
    QString rdapService; // the base address of its RDAP service; empty when the directory names none
};
// The registry of the domain's last label, letter case aside; suffix and RDAP service left empty.
Registry RegistryOf(const QString& domain);

// The suffixes of a Check of bare names: the personal selection's records in table order, or the default list.
QStringList SelectedSuffixes(bool personalSelection);
// The suffixes a label stands for: a record's own (its second-level labels, or itself), or one of those suffixes
// alone ("co.uk"); nothing for a label the table does not know. Letter case aside.
std::optional<QStringList> SuffixesFor(const QString& label);

// Folder of the program, its data file and its help.
QString programFolder();
QString dataFilePath();
// The user's own folder of the program's data (the watch list, the fetched RDAP directory), shared by the window
// and orlevan-cli.
QString dataFolder();

// ---- Settings -----------------------------------------------------------------------------------------------------
struct Settings
{
    QString NameServer;
    qint16 QueryDelay = 0;
    quint8 Retries = 0;
    bool ConfirmWhois = false;
    bool SysTrayMinimize = false;
    bool CheckWithDashes = false;
};
extern Settings AppSettings;

constexpr qint16 MinQueryDelay = qint16(entryOf(Key::QueryDelay).min);
constexpr qint16 MaxQueryDelay = qint16(entryOf(Key::QueryDelay).max);
constexpr int MinRetries = entryOf(Key::Retries).min;
constexpr int MaxRetries = entryOf(Key::Retries).max;
// First-run name server when the system names none.
inline const QString PlaceholderNameServer = QStringLiteral("ns1.your-internet-provider.example");

// The settings of a first run: the system's name server, the table's delay and passes, every switch off.
Settings FirstRunSettings();

// Reads the six AppSettings keys; an absent key or one that cannot be read takes the table's value, or with
// absentAsFirstRun the first run's.
void LoadSettings(bool absentAsFirstRun = false);
// The saves answer the message for a store that could not be written, once per program run; else nothing.
Failure SaveSettings();
void LoadDomainSelection();
Failure SaveDomainSelection();

// The settings file.
QString settingsFilePath();
// One key of the store, read with the table's value for an absent key, and written.
QString GetSetting(Key key);
Failure SaveSetting(Key key, const QString& value);
// True after a damaged settings file was found: the program then starts from the defaults and never writes the
// file; what the user chooses meanwhile is kept in SettingsInMemory, section/key -> text, for the program's run.
extern bool SettingsDamaged;
extern QHash<QString, QString> SettingsInMemory;
// True after a save failed and the user was told so; later failures stay quiet.
extern bool SettingsSaveFailed;
// Looks at the settings file once at start-up; true when it exists but cannot be read or parsed.
bool DetectDamagedSettings();
// The warning about it, naming the name server used instead.
QString damagedSettingsText(const QString& nameServer);
// Whether the personal domain selection is in force: the stored "domains" mode is anything but "default".
bool PersonalSelectionInForce();

// Text forms of the store.
QString BoolText(bool value);
std::optional<bool> ParseBool(const QString& text);
std::optional<long long> ParseWholeNumber(const QString& text);

// The first "nameserver" of the resolver configuration, or the placeholder when there is none.
QString SystemNameServer();

// ---- Default domains and the size of a run's name list ------------------------------------------------------------
constexpr int DefaultDomainCount = 8;
extern QStringList DefaultDomains; // com net org us to tv tm nu
void InitDefaultDomains();

// The most names a Check started from the main window takes.
constexpr int CheckListSize = 2049;

} // namespace Utils
