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

const QString MainSection = QStringLiteral("main");
const QString DomainsSection = QStringLiteral("domains");

std::unique_ptr<QSettings> openStore()
{
    return std::make_unique<QSettings>(settingsFilePath(), QSettings::IniFormat);
}

QString readText(QSettings& store, const QString& section, const QString& key, const QString& defaultValue)
{
    if (SettingsDamaged)
        return SettingsInMemory.value(section + QLatin1Char('/') + key, defaultValue);
    const QVariant value = store.value(section + QLatin1Char('/') + key);
    if (!value.isValid())
        return defaultValue;
    // An INI value with a comma in it comes back as a list.
    if (value.metaType().id() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

// Told once per program run: every later save fails the same way.
QString failedSave(QSettings& store)
{
    if (SettingsDamaged)
        return QString();
    store.sync();
    if (store.status() == QSettings::NoError || SettingsSaveFailed)
        return QString();
    SettingsSaveFailed = true;
    return QStringLiteral("Orlevan could not save its settings to:") + QLatin1Char('\r') +
           QDir::toNativeSeparators(settingsFilePath()) + QLatin1Char('\r') +
           QStringLiteral("Changes made now are lost when Orlevan ends.");
}

void writeText(QSettings& store, const QString& section, const QString& key, const QString& value)
{
    if (SettingsDamaged)
        SettingsInMemory.insert(section + QLatin1Char('/') + key, value);
    else
        store.setValue(section + QLatin1Char('/') + key, value);
}

bool readBool(QSettings& store, const QString& key, bool defaultValue)
{
    return ParseBool(readText(store, MainSection, key, BoolText(defaultValue))).value_or(defaultValue);
}

// A value that is not a whole number, or lies outside the range the dialogs allow, reads as the default.
long long readNumber(QSettings& store, const QString& key, long long defaultValue, long long min, long long max)
{
    const auto value = ParseWholeNumber(readText(store, MainSection, key, QString::number(defaultValue)));
    if (!value || *value < min || *value > max)
        return defaultValue;
    return *value;
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

QString GetSetting(const QString& section, const QString& key, const QString& defaultValue)
{
    auto store = openStore();
    return readText(*store, section, key, defaultValue);
}

QString SaveSetting(const QString& section, const QString& key, const QString& value)
{
    auto store = openStore();
    writeText(*store, section, key, value);
    return failedSave(*store);
}

QString damagedSettingsText()
{
    return QStringLiteral("Orlevan could not read its settings file:") + QLatin1Char('\r') +
           QDir::toNativeSeparators(settingsFilePath()) + QLatin1Char('\r') +
           QStringLiteral("It will run with the default settings this time and will not change that file.");
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

void LoadSettings()
{
    auto store = openStore();
    AppSettings.NameServer = readText(*store, MainSection, QStringLiteral("dns"), RootNameServer);
    AppSettings.Retries = quint8(readNumber(*store, QStringLiteral("retries"), DefaultRetries, MinRetries, MaxRetries));
    AppSettings.QueryDelay =
        qint16(readNumber(*store, QStringLiteral("delay"), DefaultQueryDelay, MinQueryDelay, MaxQueryDelay));
    AppSettings.ConfirmWhois = readBool(*store, QStringLiteral("ConfirmWhois"), false);
    AppSettings.SysTrayMinimize = readBool(*store, QStringLiteral("SysTrayMinimize"), true);
    AppSettings.CheckWithDashes = readBool(*store, QStringLiteral("CheckWithDashes"), false);
}

QString SaveSettings()
{
    auto store = openStore();
    writeText(*store, MainSection, QStringLiteral("dns"), AppSettings.NameServer);
    writeText(*store, MainSection, QStringLiteral("retries"), QString::number(AppSettings.Retries));
    writeText(*store, MainSection, QStringLiteral("delay"), QString::number(AppSettings.QueryDelay));
    writeText(*store, MainSection, QStringLiteral("ConfirmWhois"), BoolText(AppSettings.ConfirmWhois));
    writeText(*store, MainSection, QStringLiteral("SysTrayMinimize"), BoolText(AppSettings.SysTrayMinimize));
    writeText(*store, MainSection, QStringLiteral("CheckWithDashes"), BoolText(AppSettings.CheckWithDashes));
    return failedSave(*store);
}

void LoadDomainSelection()
{
    auto store = openStore();
    for (int i = 0; i < TldCount; ++i) {
        TldRecord& record = DomainTable[i];
        const auto value = ParseWholeNumber(readText(*store, DomainsSection, record.Tld, QStringLiteral("0")));
        record.Selected = (value && *value != 0) ? 1 : 0;
    }
}

QString SaveDomainSelection()
{
    auto store = openStore();
    for (int i = 0; i < TldCount; ++i)
        writeText(*store, DomainsSection, DomainTable[i].Tld, QString::number(DomainTable[i].Selected));
    return failedSave(*store);
}

bool PersonalSelectionInForce()
{
    return GetSetting(MainSection, QStringLiteral("domains"), QStringLiteral("default")) != QLatin1String("default");
}

QString SystemNameServer()
{
    QFile file(Environment::current().resolvConfPath);
    if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        // A resolver configuration is a few lines; read no more than a sensible amount.
        const QStringList lines = QString::fromLocal8Bit(file.read(64 * 1024)).split(QLatin1Char('\n'));
        for (const QString& line : lines) {
            const QStringList words = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (words.size() >= 2 && words.at(0) == QLatin1String("nameserver") && !words.at(1).startsWith(QLatin1Char('#')) &&
                !words.at(1).startsWith(QLatin1Char(';')))
                return words.at(1);
        }
    }
    return PlaceholderNameServer;
}

} // namespace Utils
