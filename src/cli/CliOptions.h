#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The command line of orlevan-cli, read without touching anything: what to check, how, and what to print.
struct CliOptions
{
    enum class Format { Text, Csv, Json };
    enum class Domains { Stored, Default, Personal };
    // The watch list instead of a check of names: add names and check them, remove names, check every one.
    enum class Watch { None, Add, Remove, All };

    QStringList names; // as given; "-" stands for standard input
    QStringList files; // --file, in order; "-" stands for standard input
    bool combinations = false;
    QStringList tlds; // --tld, as given
    Domains domains = Domains::Stored;
    QString server; // empty: the stored one
    quint16 port = 53;
    std::optional<int> delay;
    std::optional<int> retries;
    std::optional<bool> confirm;
    Format format = Format::Text;
    std::optional<QString> only; // "free", "taken", "not-checked", or with the watch list "changed"
    Watch watch = Watch::None;
    QString output;     // empty or "-": standard output
    bool quiet = false; // no progress, notes or summary
    bool help = false;
    bool version = false;

    // Reads the arguments (without the program's name). The error, for standard error, when they make no sense.
    static std::optional<CliOptions> parse(const QStringList& arguments, QString* error);
    static QString helpText();
    static QString versionText();
};
