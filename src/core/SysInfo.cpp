#include "core/SysInfo.h"

#include <QDir>
#include <QFileInfo>

namespace SysInfo {

void KeyStore::setValue(const QString& key, const QString& name, const StoredValue& value)
{
    m_keys[key].insert(name, value);
}

std::optional<StoredValue> KeyStore::value(const QString& key, const QString& name) const
{
    const auto keyIt = m_keys.constFind(key);
    if (keyIt == m_keys.constEnd())
        return std::nullopt;
    const auto valueIt = keyIt->constFind(name);
    if (valueIt == keyIt->constEnd())
        return std::nullopt;
    return *valueIt;
}

QString valueText(const StoredValue& value, const QString& KeyVal)
{
    QByteArray bytes = value.data;
    switch (value.type) {
    case StringValue:
        if (bytes.endsWith('\0'))
            bytes.chop(1);
        return QString::fromUtf8(bytes);
    case NumberValue: {
        // The digits of the whole number: a byte below 16 inside it keeps its zero, so 0x105 reads &h105.
        quint32 number = 0;
        for (qsizetype i = qMin<qsizetype>(bytes.size(), 4) - 1; i >= 0; --i)
            number = (number << 8) | quint8(bytes.at(i));
        return KeyVal + QStringLiteral("&h") + QString::number(number, 16).toUpper();
    }
    default:
        return KeyVal;
    }
}

bool GetKeyValue(const KeyStore& KeyRoot, const QString& KeyName, const QString& SubKeyRef, QString& KeyVal)
{
    const std::optional<StoredValue> value = KeyRoot.value(KeyName, SubKeyRef);
    if (!value || value->data.size() > ValueBufferSize) {
        KeyVal.clear();
        return false;
    }
    KeyVal = valueText(*value, KeyVal);
    return true;
}

QList<Program> knownPrograms()
{
    // GNOME 43 calls its about page, the one with the system details, "info-overview".
    return {{QStringLiteral("hardinfo2"), {}},
            {QStringLiteral("hardinfo"), {}},
            {QStringLiteral("kinfocenter"), {}},
            {QStringLiteral("gnome-control-center"), {QStringLiteral("info-overview")}},
            {QStringLiteral("xfce4-about"), {}},
            {QStringLiteral("gnome-system-monitor"), {}},
            {QStringLiteral("plasma-systemmonitor"), {}},
            {QStringLiteral("ksysguard"), {}},
            {QStringLiteral("mate-system-monitor"), {}},
            {QStringLiteral("xfce4-taskmanager"), {}},
            {QStringLiteral("lxtask"), {}}};
}

std::optional<Program> findProgram(const QList<Program>& programs, const QString& searchPath)
{
    const QStringList folders = searchPath.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const Program& program : programs) {
        for (const QString& folder : folders) {
            const QFileInfo candidate(QDir(folder).filePath(program.name));
            if (candidate.isFile() && candidate.isExecutable())
                return Program{candidate.absoluteFilePath(), program.arguments};
        }
    }
    return std::nullopt;
}

KeyStore machineStore(const QString& searchPath)
{
    KeyStore store;
    const std::optional<Program> program = findProgram(knownPrograms(), searchPath);
    if (!program)
        return store;
    store.setValue(ProgramKey, ProgramValue, StoredValue{StringValue, program->name.toUtf8() + '\0'});
    if (!program->arguments.isEmpty())
        store.setValue(ProgramKey, ArgumentsValue,
                       StoredValue{StringValue, program->arguments.join(QLatin1Char(' ')).toUtf8() + '\0'});
    return store;
}

} // namespace SysInfo
