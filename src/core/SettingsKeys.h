#pragma once

#include <QLatin1String>
#include <QString>

// Every key of the settings store in one table: its section, its name, what it reads as when it is absent, and
// the range a stored number is held to. No other file spells a key.
namespace Utils {

enum class Key {
    Init,       // the first-run marker
    Domains,    // the domain-selection mode: "default", or anything else for the personal selection
    NameServer, // AppSettings, in the order LoadSettings reads them
    Retries,
    QueryDelay,
    ConfirmWhois,
    SysTrayMinimize,
    CheckWithDashes,
    SaveFolder, // where Save results offers to save next; empty: the documents folder
    WindowLeft, // where the main window was when the program last ended, in a section of its own
    WindowTop,
};

struct KeyEntry
{
    const char* section;
    const char* name;
    const char* absent; // the text an absent key reads as
    int min = 0;        // numbers only
    int max = 0;
};

inline constexpr KeyEntry KeyTable[] = {
    {"main", "init", "True"},
    {"main", "domains", "default"},
    {"main", "dns", "a.root-servers.net"},
    {"main", "retries", "3", 1, 10},
    {"main", "delay", "50", 5, 1000},
    {"main", "ConfirmWhois", "False"},
    {"main", "SysTrayMinimize", "True"},
    {"main", "CheckWithDashes", "False"},
    {"main", "SaveFolder", ""},
    {"window", "left", ""},
    {"window", "top", ""},
};

constexpr const KeyEntry& entryOf(Key key)
{
    return KeyTable[int(key)];
}

// The section that holds one key per top-level domain of the personal selection, named by its label.
inline constexpr const char* SelectionSection = "domains";

// "section/name", as the store addresses a key.
inline QString keyPath(Key key)
{
    return QLatin1String(entryOf(key).section) + QLatin1Char('/') + QLatin1String(entryOf(key).name);
}
inline QString selectionKeyPath(const QString& tld)
{
    return QLatin1String(SelectionSection) + QLatin1Char('/') + tld;
}

} // namespace Utils
