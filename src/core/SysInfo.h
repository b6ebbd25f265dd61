#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// Finding the desktop's system-information program. The machine-wide key store that names it elsewhere does not
// exist here; a small store of the same shape stands in for it, filled from the programs found on the search path.
namespace SysInfo {

// Value types of the store, with the codes the program has always used for them.
constexpr quint32 StringValue = 1;
constexpr quint32 NumberValue = 4; // 32 bits, least significant byte first

struct StoredValue
{
    quint32 type = 0;
    QByteArray data; // as stored: a string may carry its terminating NUL
};

class KeyStore
{
public:
    void setValue(const QString& key, const QString& name, const StoredValue& value);
    std::optional<StoredValue> value(const QString& key, const QString& name) const;

private:
    QHash<QString, QHash<QString, StoredValue>> m_keys;
};

// A value longer than this does not fit the read buffer and cannot be read.
constexpr int ValueBufferSize = 1024;

// What reading a value leaves in KeyVal: a string replaces it (one terminating NUL dropped); a number is appended
// as "&h" and its hexadecimal digits; any other type leaves it as it was.
QString valueText(const StoredValue& value, const QString& KeyVal);
// Reads value SubKeyRef of key KeyName into KeyVal. False, with KeyVal empty, when the key or the value is
// missing or the value is too long.
bool GetKeyValue(const KeyStore& KeyRoot, const QString& KeyName, const QString& SubKeyRef, QString& KeyVal);

// Where the system-information program is named, and the arguments it is started with (blank-separated; the
// value is missing when there are none).
inline const QString ProgramKey = QStringLiteral("Shared Tools/SysInfo");
inline const QString ProgramValue = QStringLiteral("PATH");
inline const QString ArgumentsValue = QStringLiteral("ARGUMENTS");

struct Program
{
    QString name; // a bare name to look for, or the full path of one found
    QStringList arguments;
};

// System-information programs of Linux desktops, most informative first: information tools, the desktops' own
// system-details pages, then task managers.
QList<Program> knownPrograms();
// The first of programs that is an executable file in a folder of searchPath (":"-separated), named by its full
// path; nothing when there is none. Empty entries are skipped: they would mean the current folder.
std::optional<Program> findProgram(const QList<Program>& programs, const QString& searchPath);
// The store as the machine offers it: the program found on searchPath, stored as a string with its NUL, and its
// arguments likewise.
KeyStore machineStore(const QString& searchPath);

} // namespace SysInfo
