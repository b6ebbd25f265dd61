#include "core/AppInfo.h"
#include "core/Environment.h"
#include "core/Platform.h"
#include "core/Utils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSettings>
#include <cmath>
#include <memory>

namespace Utils {

Settings AppSettings;
bool SettingsDamaged = false;
QHash<QString, QString> SettingsInMemory;
bool SettingsSaveFailed = false;

namespace {

std::unique_ptr<QSettings> openStore()
{
    return std::make_unique<QSettings>(settingsFilePath(), QSettings::IniFormat);
}

QString readText(QSettings& store, const QString& path, const QString& absent)
{
    if (SettingsDamaged)
        return SettingsInMemory.value(path, absent);
    const QVariant value = store.value(path);
    if (!value.isValid())
        return absent;
    // An INI value with a comma in it comes back as a list.
    if (value.metaType().id() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

QString readText(QSettings& store, Key key, const QString& absent)
{
    return readText(store, keyPath(key), absent);
}

// Told once per program run: every later save fails the same way.
Failure failedSave(QSettings& store)
{
    if (SettingsDamaged)
        return std::nullopt;
    store.sync();
    if (store.status() == QSettings::NoError || SettingsSaveFailed)
        return std::nullopt;
    SettingsSaveFailed = true;
    return QStringLiteral("Orlevan could not save its settings to:") + QLatin1Char('\r') +
           QDir::toNativeSeparators(settingsFilePath()) + QLatin1Char('\r') +
           QStringLiteral("Changes made now are lost when Orlevan ends.");
}

void writeText(QSettings& store, const QString& path, const QString& value)
{
    if (SettingsDamaged)
        SettingsInMemory.insert(path, value);
    else
        store.setValue(path, value);
}

void writeText(QSettings& store, Key key, const QString& value)
{
    writeText(store, keyPath(key), value);
}

bool readBool(QSettings& store, Key key, bool absent)
{
    return ParseBool(readText(store, key, BoolText(absent))).value_or(absent);
}

// A value that is not a whole number, or lies outside the range the dialogs allow, reads as the absent one.
long long readNumber(QSettings& store, Key key, long long absent)
{
    const auto value = ParseWholeNumber(readText(store, key, QString::number(absent)));
    if (!value || *value < entryOf(key).min || *value > entryOf(key).max)
        return absent;
    return *value;
}

QString absentText(Key key)
{
    return QLatin1String(entryOf(key).absent);
}

// The table's value of a key that holds a number or a switch.
long long absentNumber(Key key)
{
    return ParseWholeNumber(absentText(key)).value_or(0);
}
bool absentBool(Key key)
{
    return ParseBool(absentText(key)).value_or(false);
}

} // namespace

QString settingsFilePath()
{
    if (const QString& file = Environment::current().settingsFile; !file.isEmpty())
        return file;
    static const QString path =
        QSettings(QSettings::IniFormat, QSettings::UserScope, AppInfo::Title, AppInfo::Title).fileName();
    return path;
}

QString BoolText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

std::optional<bool> ParseBool(const QString& text)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double number = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(number))
        return std::nullopt;
    return number != 0.0;
}

std::optional<long long> ParseWholeNumber(const QString& text)
{
    bool ok = false;
    const long long value = text.trimmed().toLongLong(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

QString GetSetting(Key key)
{
    auto store = openStore();
    return readText(*store, key, absentText(key));
}

Failure SaveSetting(Key key, const QString& value)
{
    auto store = openStore();
    writeText(*store, key, value);
    return failedSave(*store);
}

QString damagedSettingsText(const QString& nameServer)
{
    return QStringLiteral("Orlevan could not read its settings file:") + QLatin1Char('\r') +
           QDir::toNativeSeparators(settingsFilePath()) + QLatin1Char('\r') +
           QStringLiteral("It will run with the default settings this time, asking the name server %1, and will not "
                          "change that file.")
               .arg(nameServer);
}

bool DetectDamagedSettings()
{
    const QString path = settingsFilePath();
    const QFileInfo info(path);
    if (!info.exists())
        return false;
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return true;
    file.close();
    QSettings store(path, QSettings::IniFormat);
    store.allKeys();
    return store.status() != QSettings::NoError;
}

Settings FirstRunSettings()
{
    return {SystemNameServer(),
            qint16(absentNumber(Key::QueryDelay)),
            quint8(absentNumber(Key::Retries)),
            false,
            false,
            false};
}

void LoadSettings(bool absentAsFirstRun)
{
    const Settings absent = absentAsFirstRun
                                ? FirstRunSettings()
                                : Settings{absentText(Key::NameServer),        qint16(absentNumber(Key::QueryDelay)),
                                           quint8(absentNumber(Key::Retries)), absentBool(Key::ConfirmWhois),
                                           absentBool(Key::SysTrayMinimize),   absentBool(Key::CheckWithDashes)};
    auto store = openStore();
    AppSettings.NameServer = readText(*store, Key::NameServer, absent.NameServer);
    AppSettings.Retries = quint8(readNumber(*store, Key::Retries, absent.Retries));
    AppSettings.QueryDelay = qint16(readNumber(*store, Key::QueryDelay, absent.QueryDelay));
    AppSettings.ConfirmWhois = readBool(*store, Key::ConfirmWhois, absent.ConfirmWhois);
    AppSettings.SysTrayMinimize = readBool(*store, Key::SysTrayMinimize, absent.SysTrayMinimize);
    AppSettings.CheckWithDashes = readBool(*store, Key::CheckWithDashes, absent.CheckWithDashes);
}

Failure SaveSettings()
{
    auto store = openStore();
    writeText(*store, Key::NameServer, AppSettings.NameServer);
    writeText(*store, Key::Retries, QString::number(AppSettings.Retries));
    writeText(*store, Key::QueryDelay, QString::number(AppSettings.QueryDelay));
    writeText(*store, Key::ConfirmWhois, BoolText(AppSettings.ConfirmWhois));
    writeText(*store, Key::SysTrayMinimize, BoolText(AppSettings.SysTrayMinimize));
    writeText(*store, Key::CheckWithDashes, BoolText(AppSettings.CheckWithDashes));
    return failedSave(*store);
}

void LoadDomainSelection()
{
    auto store = openStore();
    for (int i = 0; i < TldCount; ++i) {
        TldRecord& record = DomainTable[i];
        const auto value = ParseWholeNumber(readText(*store, selectionKeyPath(record.Tld), QStringLiteral("0")));
        record.Selected = (value && *value != 0) ? 1 : 0;
    }
}

Failure SaveDomainSelection()
{
    auto store = openStore();
    for (int i = 0; i < TldCount; ++i)
        writeText(*store, selectionKeyPath(DomainTable[i].Tld), QString::number(DomainTable[i].Selected));
    return failedSave(*store);
}

bool PersonalSelectionInForce()
{
    return GetSetting(Key::Domains) != QLatin1String("default");
}

QString SystemNameServer()
{
    QFile file(Environment::current().resolvConfPath);
    if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        // A resolver configuration is a few lines; read no more than a sensible amount.
        const QStringList lines = QString::fromLocal8Bit(file.read(64 * 1024)).split(QLatin1Char('\n'));
        for (const QString& line : lines) {
            const QStringList words = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (words.size() >= 2 && words.at(0) == QLatin1String("nameserver") &&
                !words.at(1).startsWith(QLatin1Char('#')) && !words.at(1).startsWith(QLatin1Char(';')))
                return words.at(1);
        }
    }
    return PlaceholderNameServer;
}

} // namespace Utils
