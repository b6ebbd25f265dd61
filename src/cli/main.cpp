#include "cli/CliInput.h"
#include "cli/CliOptions.h"
#include "cli/CliRun.h"
#include "cli/CliWatch.h"

#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {
int g_signalPipe[2] = {-1, -1};

// Ctrl-C, SIGTERM and SIGHUP end the run by an event; the same signal a second time ends the program at once.
void onSignal(int signal)
{
    const char byte = char(signal);
    [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &byte, 1);
    std::signal(signal, SIG_DFL);
}

int terminalColumns()
{
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}
} // namespace

int main(int argc, char* argv[])
{
    // A check wakes every few milliseconds; Qt's own event loop does that more cheaply than the GLib one.
    if (qEnvironmentVariableIsEmpty("QT_NO_GLIB"))
        qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    // On the descriptors themselves: a write that fails says so at once, not at a later flush.
    QFile out, err;
    out.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered);
    err.open(STDERR_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered);
    QString error;
    const std::optional<CliOptions> options = CliOptions::parse(app.arguments().mid(1), &error);
    if (!options) {
        err.write((QStringLiteral("orlevan-cli: ") + error + QStringLiteral(" Try 'orlevan-cli --help'.\n")).toUtf8());
        return CliRun::Refused;
    }
    if (options->help || options->version) {
        out.write((options->help ? CliOptions::helpText() : CliOptions::versionText()).toUtf8());
        return 0;
    }
    QFile in;
    const bool watched = options->watch == CliOptions::Watch::All;
    if (!watched && CliInput::readsStandardInput(options->names, options->files))
        in.open(STDIN_FILENO, QIODevice::ReadOnly);
    const CliInput::Sources sources{options->names, options->files, in.isOpen() ? &in : nullptr};
    // The names of a watch are few and kept in a list; those of a check are read as it starts.
    const bool watching = options->watch != CliOptions::Watch::None;
    const std::optional<QList<CliInput::Name>> names =
        watched || !watching ? QList<CliInput::Name>() : CliInput::gather(sources, &error);
    if (!names) {
        err.write((QStringLiteral("orlevan-cli: ") + error + QLatin1Char('\n')).toUtf8());
        return CliRun::Refused;
    }
    CliRun::Terminal terminal;
    terminal.isTerminal = ::isatty(STDERR_FILENO);
    const QByteArray term = qgetenv("TERM");
    terminal.escapes = !term.isEmpty() && term != "dumb";
    terminal.columns = terminalColumns;
    CliRun run(*options, &out, &err, terminal);
    CliWatch watch(*options, &out, &err);
    QObject::connect(&run, &CliRun::finished, &app, [](int status) { QCoreApplication::exit(status); });
    QObject::connect(&watch, &CliWatch::finished, &app, [](int status) { QCoreApplication::exit(status); });
    if (::pipe(g_signalPipe) == 0) {
        auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, [&run, &watch, watching] {
            char signal = 0;
            if (::read(g_signalPipe[0], &signal, 1) != 1)
                return;
            if (watching)
                watch.interrupt(signal);
            else
                run.interrupt(signal);
        });
        for (const int signal : {SIGINT, SIGTERM, SIGHUP})
            std::signal(signal, onSignal);
    }
    if (watching)
        watch.start(*names);
    else
        run.start(sources);
    return QCoreApplication::exec();
}
