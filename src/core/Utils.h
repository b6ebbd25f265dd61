#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

// Program-wide values and the routines that fill them. Windows read and write these directly.
namespace Utils {

// ---- Domain table -------------------------------------------------------------------------------------------------
struct TldRecord
{
    QString Tld;
    QString Description;
    QString RegistrationSite;
    QString DisplayInfo; // no data-file field fills it
    quint8 Selected = 0;
    QString SubLabels; // second-level labels separated by ":"
    QString WhoisServer;
};

constexpr int DomainTableSize = 301;
extern std::array<TldRecord, DomainTableSize> DomainTable;
extern qint16 TldCount;

// Reads orvtab.dll from the program folder. On failure it answers the load-error message (caption
// loadErrorCaption()), and the caller ends the program; empty when the table is loaded.
QString LoadDomainTable();
QString loadErrorCaption();
// Reads a data file into the table; false only when the file cannot be opened.
bool LoadDomainTableFrom(const QString& path);
// Fills the table from the raw bytes of a data file.
void ParseDomainTable(const QByteArray& bytes);
// Index of the record of the domain's last label; 0 when no record matches.
qint16 FindTld(const QString& domain);

// Folder of the program, its data file and its help.
QString programFolder();
QString dataFilePath();

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

constexpr qint16 DefaultQueryDelay = 50;
constexpr quint8 DefaultRetries = 3;
constexpr qint16 MinQueryDelay = 5;
constexpr qint16 MaxQueryDelay = 1000;
constexpr int MinRetries = 1;
constexpr int MaxRetries = 10;
// "dns" when the key is absent.
inline const QString RootNameServer = QStringLiteral("a.root-servers.net");
// First-run name server when the system names none.
inline const QString PlaceholderNameServer = QStringLiteral("ns1.your-internet-provider.example");

void LoadSettings();
// The saves answer the message for a store that could not be written, once per program run; else nothing.
QString SaveSettings();
void LoadDomainSelection();
QString SaveDomainSelection();

// The settings file.
QString settingsFilePath();
// Raw access to the store, section and key as the program names them.
QString GetSetting(const QString& section, const QString& key, const QString& defaultValue);
QString SaveSetting(const QString& section, const QString& key, const QString& value);
// True after a damaged settings file was found: the program then starts from the defaults and never writes the
// file; what the user chooses meanwhile is kept in SettingsInMemory, section/key -> text, for the program's run.
extern bool SettingsDamaged;
extern QHash<QString, QString> SettingsInMemory;
// True after a save failed and the user was told so; later failures stay quiet.
extern bool SettingsSaveFailed;
// Looks at the settings file once at start-up; true when it exists but cannot be read or parsed.
bool DetectDamagedSettings();
QString damagedSettingsText();
// Whether the personal domain selection is in force: the stored "domains" mode is anything but "default".
bool PersonalSelectionInForce();

// Text forms of the store.
QString BoolText(bool value);
std::optional<bool> ParseBool(const QString& text);
std::optional<long long> ParseWholeNumber(const QString& text);

// The first "nameserver" of the resolver configuration, or the placeholder when there is none.
QString SystemNameServer();

// ---- Default domains and the name list of a run -------------------------------------------------------------------
constexpr int DefaultDomainCount = 8;
extern QStringList DefaultDomains; // com net org us to tv tm nu
void InitDefaultDomains();

constexpr int CheckListSize = 2049;
extern std::array<QString, CheckListSize> CheckList;
extern qint16 CheckCount;
extern bool BareNames;

} // namespace Utils
