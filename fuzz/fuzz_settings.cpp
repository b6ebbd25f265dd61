// Settings files as a user, another program or a broken disk may leave them, and the text forms of values.
#include "FuzzSupport.h"

#include "core/Utils.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::ensureApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir folder;
    static quint64 serial = 0;
    const QByteArray bytes = Fuzz::bytes(data, size);

    const QString text = QString::fromUtf8(bytes);
    Utils::ParseBool(text);
    if (const auto number = Utils::ParseWholeNumber(text))
        Fuzz::require(Utils::ParseWholeNumber(QString::number(*number)) == number, "a number does not read back");

    // A fresh name each time: the settings class caches files by name, size and time.
    const QString path = folder.path() + QStringLiteral("/s%1.ini").arg(++serial);
    {
        QFile file(path);
        Fuzz::require(file.open(QIODevice::WriteOnly), "cannot write the settings file");
        file.write(bytes);
    }
    Utils::SettingsFile = path;
    Utils::SettingsDamaged = Utils::DetectDamagedSettings();
    Utils::TldCount = 3;
    Utils::DomainTable[0].Tld = QStringLiteral("com");
    Utils::DomainTable[1].Tld = QStringLiteral("co uk");
    Utils::DomainTable[2].Tld = QStringLiteral("net");
    Utils::LoadDomainSelection();
    Utils::LoadSettings();
    Utils::PersonalSelectionInForce();

    const Utils::Settings& s = Utils::AppSettings;
    Fuzz::require(s.Retries >= Utils::MinRetries && s.Retries <= Utils::MaxRetries, "retries out of range");
    Fuzz::require(s.QueryDelay >= Utils::MinQueryDelay && s.QueryDelay <= Utils::MaxQueryDelay, "delay out of range");
    for (int i = 0; i < 3; ++i)
        Fuzz::require(Utils::DomainTable[size_t(i)].Selected <= 1, "selection flag neither 0 nor 1");

    // Reading never writes.
    QFile file(path);
    Fuzz::require(file.open(QIODevice::ReadOnly) && file.readAll() == bytes, "loading changed the settings file");
    file.close();
    QFile::remove(path);
    return 0;
}
