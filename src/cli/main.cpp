#include "cli/CliOptions.h"
#include "cli/CliRun.h"

#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {
int g_interruptPipe[2] = {-1, -1};

void onInterrupt(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_interruptPipe[1], &byte, 1);
    std::signal(SIGINT, SIG_DFL); // a second Ctrl-C ends the program at once
}
} // namespace

int main(int argc, char* argv[])
{
    // A check wakes every few milliseconds; Qt's own event loop does that more cheaply than the GLib one.
    if (qEnvironmentVariableIsEmpty("QT_NO_GLIB"))
        qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    QFile out, err;
    out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered);
    err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
    QString error;
    const std::optional<CliOptions> options = CliOptions::parse(app.arguments().mid(1), &error);
    if (!options) {
        err.write((QStringLiteral("orlevan-cli: ") + error + QStringLiteral("\nTry 'orlevan-cli --help'.\n")).toUtf8());
        return CliRun::Refused;
    }
    if (options->help || options->version) {
        out.write((options->help ? CliOptions::helpText() : CliOptions::versionText()).toUtf8());
        return 0;
    }
    QByteArray input;
    if (!::isatty(STDIN_FILENO) || options->names.contains(QStringLiteral("-"))) {
        QFile in;
        if (in.open(stdin, QIODevice::ReadOnly))
            input = in.readAll();
    }
    CliRun run(*options, &out, &err, ::isatty(STDERR_FILENO));
    QObject::connect(&run, &CliRun::finished, &app, [](int status) { QCoreApplication::exit(status); });
    if (::pipe(g_interruptPipe) == 0) {
        auto* notifier = new QSocketNotifier(g_interruptPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &run, [&run, notifier] {
            notifier->setEnabled(false);
            run.interrupt();
        });
        std::signal(SIGINT, onInterrupt);
    }
    run.start(input);
    return QCoreApplication::exec();
}
