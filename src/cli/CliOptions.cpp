#include "cli/CliOptions.h"

#include "core/AppInfo.h"
#include "core/Utils.h"

#include <QCommandLineParser>

namespace {

const QStringList Formats = {QStringLiteral("text"), QStringLiteral("csv"), QStringLiteral("json")};
const QStringList Statuses = {QStringLiteral("free"), QStringLiteral("taken"), QStringLiteral("not-checked"),
                              QStringLiteral("changed")};

struct OptionEntry
{
    const char* names;
    const char* value; // nullptr: a switch
    const char* text;
};
// Every option with its default, as --help shows them.
const OptionEntry Entries[] = {
    {"c,combinations", nullptr, "Also check every name joined with every other name (default: each name alone)."},
    {"f,file", "FILE",
     "Read names from FILE, one or more a line; blank lines and # comments are skipped; - is standard input. May be "
     "given more than once."},
    {"tld", "LIST",
     "Check under these top-level domains of the domain table, each under its second-level labels as in the "
     "window's selection, or under single suffixes, separated by commas, e.g. com,uk,co.uk "
     "(default: the stored selection)."},
    {"domains", "default|personal",
     "Check under the eight default suffixes, or under the stored personal "
     "selection (default: the stored choice)."},
    {"server", "HOST", "Ask this DNS name server (default: the stored one; without settings, the system's)."},
    {"port", "N", "The name server's port, 1 to 65535 (default: 53)."},
    {"delay", "MS", "Milliseconds between two questions, 5 to 1000 (default: the stored delay, or 50)."},
    {"retries", "N", "Passes over the unanswered names, 1 to 10 (default: the stored number, or 3)."},
    {"confirm", nullptr, "Confirm free names with RDAP or WHOIS (default: as stored)."},
    {"no-confirm", nullptr, "Do not confirm free names."},
    {"format", "text|csv|json",
     "Print the results as text lines, as the CSV file that Save results writes, or as "
     "JSON Lines (default: text)."},
    {"only", "free|taken|not-checked|changed",
     "Print only the names in this state, or with the watch list only those in which this check found a change "
     "(default: all)."},
    {"o,output", "FILE",
     "Write the results to FILE, batch by batch, replacing it only at the end; - is standard output (default)."},
    {"watch", nullptr,
     "Add the complete domain names given to the watch list, shared with the window, and check them now."},
    {"unwatch", nullptr, "Remove the domain names given from the watch list."},
    {"watched", nullptr,
     "Check every watched name now, and print for each its state, registrar, expiry date and registry status, "
     "and what changed since the last check."},
    {"q,quiet", nullptr, "Show no progress, notes or summary on standard error; failures are still told."},
    {"h,help", nullptr, "Show this help and end."},
    {"version", nullptr, "Show the version and end."},
};

QCommandLineOption option(const OptionEntry& entry)
{
    const QStringList names = QString::fromLatin1(entry.names).split(QLatin1Char(','));
    return entry.value ? QCommandLineOption(names, QString::fromUtf8(entry.text), QString::fromLatin1(entry.value))
                       : QCommandLineOption(names, QString::fromUtf8(entry.text));
}

std::optional<int> number(const QCommandLineParser& parser, const char* name, int min, int max, QString* error)
{
    if (!parser.isSet(QLatin1String(name)))
        return std::nullopt;
    const std::optional<long long> value = Utils::ParseWholeNumber(parser.value(QLatin1String(name)));
    if (value && *value >= min && *value <= max)
        return int(*value);
    *error = QStringLiteral("--%1 takes a whole number from %2 to %3, not \"%4\".")
                 .arg(QLatin1String(name))
                 .arg(min)
                 .arg(max)
                 .arg(parser.value(QLatin1String(name)));
    return std::nullopt;
}

} // namespace

std::optional<CliOptions> CliOptions::parse(const QStringList& arguments, QString* error)
{
    QCommandLineParser parser;
    for (const OptionEntry& entry : Entries)
        parser.addOption(option(entry));
    if (!parser.parse(QStringList{QStringLiteral("orlevan-cli")} + arguments)) {
        *error = parser.errorText();
        return std::nullopt;
    }
    CliOptions options;
    options.help = parser.isSet(QStringLiteral("help"));
    options.version = parser.isSet(QStringLiteral("version"));
    options.names = parser.positionalArguments();
    options.combinations = parser.isSet(QStringLiteral("combinations"));
    for (const QString& list : parser.values(QStringLiteral("tld")))
        options.tlds += list.split(QLatin1Char(','), Qt::SkipEmptyParts);
    options.files = parser.values(QStringLiteral("file"));
    options.quiet = parser.isSet(QStringLiteral("quiet"));
    options.server = parser.value(QStringLiteral("server")).trimmed();
    if (parser.isSet(QStringLiteral("server")) && options.server.isEmpty()) {
        *error = QStringLiteral("--server takes a host name or an address, not an empty text.");
        return std::nullopt;
    }
    options.output = parser.value(QStringLiteral("output"));
    if (options.output == QLatin1String("-"))
        options.output.clear();
    error->clear();
    options.delay = number(parser, "delay", Utils::MinQueryDelay, Utils::MaxQueryDelay, error);
    if (error->isEmpty())
        options.retries = number(parser, "retries", Utils::MinRetries, Utils::MaxRetries, error);
    if (error->isEmpty())
        options.port = quint16(number(parser, "port", 1, 65535, error).value_or(options.port));
    if (!error->isEmpty())
        return std::nullopt;
    if (parser.isSet(QStringLiteral("confirm")) && parser.isSet(QStringLiteral("no-confirm"))) {
        *error = QStringLiteral("--confirm and --no-confirm cannot both be given.");
        return std::nullopt;
    }
    if (parser.isSet(QStringLiteral("confirm")) || parser.isSet(QStringLiteral("no-confirm")))
        options.confirm = parser.isSet(QStringLiteral("confirm"));
    const auto choice = [&](const char* name, const QStringList& allowed) -> std::optional<int> {
        const QString value = parser.value(QLatin1String(name));
        const auto at = allowed.indexOf(value);
        if (at < 0)
            *error = QStringLiteral("--%1 takes %2, not \"%3\".")
                         .arg(QLatin1String(name), allowed.join(QStringLiteral(", ")), value);
        return at < 0 ? std::nullopt : std::optional<int>(int(at));
    };
    if (parser.isSet(QStringLiteral("domains"))) {
        const auto at = choice("domains", {QStringLiteral("default"), QStringLiteral("personal")});
        if (!at)
            return std::nullopt;
        options.domains = *at == 0 ? Domains::Default : Domains::Personal;
    }
    if (parser.isSet(QStringLiteral("format"))) {
        const auto at = choice("format", Formats);
        if (!at)
            return std::nullopt;
        options.format = Format(*at);
    }
    if (parser.isSet(QStringLiteral("only"))) {
        if (!choice("only", Statuses))
            return std::nullopt;
        options.only = parser.value(QStringLiteral("only"));
    }
    const int watchModes = int(parser.isSet(QStringLiteral("watch"))) + int(parser.isSet(QStringLiteral("unwatch"))) +
                           int(parser.isSet(QStringLiteral("watched")));
    if (watchModes > 1) {
        *error = QStringLiteral("Only one of --watch, --unwatch and --watched can be given.");
        return std::nullopt;
    }
    options.watch = parser.isSet(QStringLiteral("watch"))     ? Watch::Add
                    : parser.isSet(QStringLiteral("unwatch")) ? Watch::Remove
                    : parser.isSet(QStringLiteral("watched")) ? Watch::All
                                                              : Watch::None;
    if (options.watch == Watch::None && options.only == QLatin1String("changed")) {
        *error = QStringLiteral("--only changed goes with --watch or --watched.");
        return std::nullopt;
    }
    if (options.watch != Watch::None &&
        (options.combinations || !options.tlds.isEmpty() || options.domains != Domains::Stored)) {
        *error = QStringLiteral("--combinations, --tld and --domains do not go with the watch list, which holds "
                                "complete domain names.");
        return std::nullopt;
    }
    if (options.watch != Watch::None && options.format == Format::Csv) {
        *error = QStringLiteral("The watch list is printed as text or json, not as csv.");
        return std::nullopt;
    }
    if (options.watch == Watch::All && (!options.names.isEmpty() || !options.files.isEmpty())) {
        *error = QStringLiteral("--watched checks every watched name and takes none.");
        return std::nullopt;
    }
    if (!options.tlds.isEmpty() && options.domains != Domains::Stored) {
        *error = QStringLiteral("--tld and --domains cannot both be given.");
        return std::nullopt;
    }
    return options;
}

QString CliOptions::helpText()
{
    QString text = QStringLiteral("Usage: orlevan-cli [OPTION]... [NAME]...\n"
                                  "  or:  orlevan-cli --watch|--unwatch [OPTION]... DOMAIN...\n"
                                  "  or:  orlevan-cli --watched [OPTION]...\n"
                                  "Check whether domain names are free to register. Each name is judged by itself: "
                                  "one with a\ndot is checked whole, any other under every chosen suffix. A name "
                                  "given twice is checked\nonce. Names are read from standard input when no NAME "
                                  "and no --file is given, or where\na NAME is \"-\". Long lists are checked in "
                                  "batches of 2047 domains, printed as each ends.\n\n");
    for (const OptionEntry& entry : Entries) {
        QString names;
        for (const QString& name : QString::fromLatin1(entry.names).split(QLatin1Char(',')))
            names += (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name + QStringLiteral(", ");
        names.chop(2);
        if (entry.value)
            names += (names.contains(QStringLiteral("--")) ? QStringLiteral("=") : QStringLiteral(" ")) +
                     QString::fromLatin1(entry.value);
        text += QStringLiteral("  ") + names + QLatin1Char('\n') + QStringLiteral("      ") +
                QString::fromUtf8(entry.text) + QLatin1Char('\n');
    }
    text += QStringLiteral("\nExit status:\n"
                           "  0    every name was checked\n"
                           "  1    some names could not be checked\n"
                           "  2    the names or the options were refused\n"
                           "  3    the check could not start, the name server answered nothing, the results could "
                           "not\n       be written, or the watch list was damaged or could not be read or written\n"
                           "  130  interrupted by Ctrl-C; 143 by SIGTERM, 129 by SIGHUP\n");
    return text;
}

QString CliOptions::versionText()
{
    return QStringLiteral("orlevan-cli %1.%2.%3\n").arg(AppInfo::Major).arg(AppInfo::Minor).arg(AppInfo::Revision);
}
