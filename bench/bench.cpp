// orlevan_bench [--run-only | --cli | --startup] [--hidden] [--delay MS] [--retries N] [--candidates N] [--rounds N]
// Starts itself with --serve as a name server on 127.0.0.1, then alternates, --rounds times (5 by default): one run
// of the program over the candidates, through the results window (offscreen unless a display is set; --hidden: the
// window is never shown) or with --run-only through the run alone; and one dig over the same names against the same
// server, and the least a sender at the same pace needs. It prints the median processor time (user + system) of each
// side and their ratios, and how well the run
// keeps to its pace. With --cli the program is orlevan-cli as a whole process (one pass by default): once over the
// candidates as complete names, once over 6000 names under com, which it checks in three batches; its pace is read
// at the server, burst by burst, from the first query of a batch to its last. Beside dig, which asks as fast as the
// answers come, it gives the least any sender needs that keeps the same pace: a loop that sleeps to each tick,
// sends one query and reads what came (orlevan_bench --paced PORT COUNT DELAY), so that the cost of pacing itself
// can be told from the program's own.
// orlevan_bench --startup [--rounds N] times the start-up instead (9 rounds by default): from starting the process to
// the first paint of its main window, Orlevan's against a bare Qt window with the same menus and controls. Both are
// this program, started again with --startup-child, so that loading it costs both alike.
#include "check/Check.h"
#include "check/RunPlan.h"
#include "core/Environment.h"
#include "core/Utils.h"
#include "dns/CheckRun.h"
#include "dns/DNS.h"
#include "dns/RunSchedule.h"
#include "gui/app/Application.h"
#include "gui/app/Forms.h"
#include "gui/app/frmMain.h"
#include "gui/results/frmResults.h"
#include "whois/RdapBootstrap.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QGridLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QMap>
#include <QMenuBar>
#include <QNetworkDatagram>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QUdpSocket>
#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

namespace {

// User and system time, milliseconds.
QPair<double, double> cpuMs(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    const auto ms = [](const timeval& t) {
        return double(t.tv_sec) * 1000.0 + double(t.tv_usec) / 1000.0;
    };
    return {ms(usage.ru_utime), ms(usage.ru_stime)};
}

// Answers every query at once: odd-numbered names exist, even-numbered and made-up ones do not. A datagram "?"
// is answered with the queries seen since the last "?" and the microseconds from the first of them to the last,
// then the same two figures for each burst of them: a quiet of more than burstGapMs starts a new burst.
int serve(const QHostAddress& address, quint16 port, int burstGapMs)
{
    QUdpSocket socket;
    if (!socket.bind(address, port))
        return 1;
    std::printf("%u\n", socket.localPort());
    std::fflush(stdout);
    QElapsedTimer first;
    qint64 last = 0;
    int seen = 0;
    struct Burst
    {
        int queries = 0;
        qint64 first = 0, last = 0; // nanoseconds
    };
    QList<Burst> bursts;
    QObject::connect(&socket, &QUdpSocket::readyRead, &socket, [&] {
        while (socket.hasPendingDatagrams()) {
            const QNetworkDatagram datagram = socket.receiveDatagram();
            QByteArray reply = datagram.data();
            if (reply == "?") {
                QByteArray said = QByteArray::number(seen) + ' ' + QByteArray::number(last / 1000);
                for (const Burst& burst : std::as_const(bursts))
                    said += ' ' + QByteArray::number(burst.queries) + ' ' +
                            QByteArray::number((burst.last - burst.first) / 1000);
                socket.writeDatagram(said, datagram.senderAddress(), quint16(datagram.senderPort()));
                seen = 0;
                bursts.clear();
                continue;
            }
            if (seen++ == 0)
                first.start();
            const qint64 now = first.nsecsElapsed();
            if (bursts.isEmpty() || now - last > qint64(burstGapMs) * 1000000)
                bursts.append({0, now, now});
            ++bursts.last().queries;
            bursts.last().last = now;
            last = now;
            if (reply.size() < 13)
                continue;
            const int length = quint8(reply.at(12));
            const bool free = length >= 24 || (reply.at(12 + length) - '0') % 2 == 0;
            reply[2] = char(0x81);
            reply[3] = char(free ? 0x83 : 0x80);
            socket.writeDatagram(reply, datagram.senderAddress(), quint16(datagram.senderPort()));
        }
    });
    return QCoreApplication::exec();
}

// The least a paced sender does: per tick one sleep to the tick's time, one query, one read of what has come.
int pacedSender(quint16 port, int count, int delay)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QByteArray query = DNS::BuildQuery(QStringLiteral("bench.com"), 0);
    char reply[1500];
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    for (int i = 0; i < count; ++i) {
        next.tv_nsec += long(delay) * 1000000L;
        next.tv_sec += next.tv_nsec / 1000000000L;
        next.tv_nsec %= 1000000000L;
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
        while (::recv(fd, reply, sizeof reply, 0) > 0) {
        }
        query[0] = char(i >> 8);
        query[1] = char(i);
        ::sendto(fd, query.constData(), size_t(query.size()), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }
    ::close(fd);
    return 0;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

// Processor time of a child process that runs to its end, milliseconds.
double childCpuMs(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment = {},
                  const QString& input = {})
{
    const QPair<double, double> before = cpuMs(RUSAGE_CHILDREN);
    QProcess process;
    if (!environment.isEmpty())
        process.setProcessEnvironment(environment);
    process.setStandardOutputFile(QProcess::nullDevice());
    if (!input.isEmpty())
        process.setStandardInputFile(input);
    process.start(program, arguments);
    process.waitForFinished(-1);
    const QPair<double, double> after = cpuMs(RUSAGE_CHILDREN);
    return after.first - before.first + after.second - before.second;
}

// orlevan-cli as a script runs it, against dig, over the same names at the same server: the candidates as
// complete names, then 6000 names under com, checked in batches.
int benchCli(const QString& nameFile, int delay, int retries, int rounds, const QString& dig)
{
    QProcess server;
    server.start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--serve"), QStringLiteral("--burst-gap"), QString::number(6 * delay)});
    if (!server.waitForReadyRead(5000)) {
        std::fprintf(stderr, "the name server process did not start\n");
        return 1;
    }
    const quint16 port = quint16(server.readLine().trimmed().toUInt());
    QTemporaryDir home; // no settings: the first start's choices
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
    // The same 6000 names, bare for orlevan-cli and complete for dig.
    const QString bareFile = home.path() + QStringLiteral("/bare"), fullFile = home.path() + QStringLiteral("/full");
    QFile bare(bareFile), full(fullFile);
    if (!bare.open(QIODevice::WriteOnly) || !full.open(QIODevice::WriteOnly))
        return 1;
    for (int i = 1; i <= 6000; ++i) {
        bare.write("bench" + QByteArray::number(i) + '\n');
        full.write("bench" + QByteArray::number(i) + ".com\n");
    }
    bare.close();
    full.close();
    const QStringList common = {
        QStringLiteral("--server"),  QStringLiteral("127.0.0.1"), QStringLiteral("--port"),
        QString::number(port),       QStringLiteral("--delay"),   QString::number(delay),
        QStringLiteral("--retries"), QString::number(retries),    QStringLiteral("--no-confirm")};
    struct Case
    {
        const char* title;
        QStringList arguments;
        QString digNames;
    };
    const Case cases[] = {
        {"complete names", common + QStringList{QStringLiteral("-f"), nameFile}, nameFile},
        {"6000 names under com",
         common + QStringList{QStringLiteral("--tld"), QStringLiteral("com"), QStringLiteral("-f"), bareFile},
         fullFile},
    };
    QUdpSocket report;
    const auto seenAtServer = [&] {
        report.writeDatagram("?", QHostAddress::LocalHost, port);
        report.waitForReadyRead(5000);
        return report.receiveDatagram().data().split(' ');
    };
    int worst = 0;
    for (const Case& benchCase : cases) {
        QList<double> cliCpu, digCpu, pacedCpu;
        // Per round, each batch's queries and its time from the first to the last against the ideal. A round whose
        // bursts the server saw split or joined otherwise than most (a tick late by more than the gap on a loaded
        // machine) is left out of the figures.
        QList<QList<QPair<int, double>>> bursts;
        for (int round = 0; round < rounds; ++round) {
            cliCpu.append(childCpuMs(QStringLiteral(ORLEVAN_CLI), benchCase.arguments, environment));
            const QList<QByteArray> seen = seenAtServer();
            QList<QPair<int, double>> batches;
            for (qsizetype b = 2; b + 1 < seen.size(); b += 2) {
                const int queries = seen.at(b).toInt();
                if (queries < 2)
                    continue;
                // Each query a tick after the one before.
                const double ideal = double(queries - 1) * delay;
                batches.append({queries, (seen.at(b + 1).toDouble() / 1000.0 - ideal) / ideal * 100.0});
            }
            bursts.append(batches);
            if (!dig.isEmpty()) {
                digCpu.append(
                    childCpuMs(dig, {QStringLiteral("+notcp"), QStringLiteral("+noedns"), QStringLiteral("-p"),
                                     QString::number(port), QStringLiteral("@127.0.0.1"), QStringLiteral("-f"),
                                     benchCase.digNames}));
                seenAtServer();
            }
            int total = 0;
            for (const QPair<int, double>& batch : std::as_const(bursts.last()))
                total += batch.first;
            pacedCpu.append(
                childCpuMs(QCoreApplication::applicationFilePath(), {QStringLiteral("--paced"), QString::number(port),
                                                                     QString::number(total), QString::number(delay)}));
            seenAtServer();
        }
        QMap<qsizetype, int> roundsWith; // rounds by their number of bursts
        for (const QList<QPair<int, double>>& round : std::as_const(bursts))
            ++roundsWith[round.size()];
        qsizetype usual = 0;
        for (auto it = roundsWith.cbegin(); it != roundsWith.cend(); ++it)
            usual = it.value() > roundsWith.value(usual) ? it.key() : usual;
        std::printf("orlevan-cli, %s, delay %d ms, %d passes: %d batches (%d of %d rounds as most)\n", benchCase.title,
                    delay, retries, int(usual), roundsWith.value(usual), rounds);
        for (qsizetype b = 0; b < usual; ++b) {
            QList<double> off;
            int queries = 0;
            for (const QList<QPair<int, double>>& round : std::as_const(bursts)) {
                if (round.size() == usual) {
                    off.append(round.at(b).second);
                    queries = round.at(b).first;
                }
            }
            std::printf("  batch %d: %d queries; time from the first query to the last against the ideal: median "
                        "%+.2f %%\n",
                        int(b + 1), queries, median(off));
            worst = std::max(worst, int(std::abs(median(off)) * 100));
        }
        std::printf("  processor time of the whole process, median of %d: orlevan-cli %.1f ms, dig %.1f ms, ratio "
                    "%.2f\n",
                    rounds, median(cliCpu), median(digCpu), digCpu.isEmpty() ? 0.0 : median(cliCpu) / median(digCpu));
        std::printf("  the least a sender at the same pace needs: %.1f ms, orlevan-cli against it %.2f\n",
                    median(pacedCpu), median(cliCpu) / std::max(0.1, median(pacedCpu)));
    }
    std::printf("largest batch deviation from the ideal: %.2f %%\n", worst / 100.0);
    server.kill();
    server.waitForFinished();
    return 0;
}

// Says "painted" once the first paint of a main window is over, and ends the program.
class FirstPaint final : public QObject
{
public:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (!m_seen && event->type() == QEvent::Paint && qobject_cast<QMainWindow*>(object)) {
            m_seen = true;
            QTimer::singleShot(0, qApp, [] {
                std::fputs("painted\n", stdout);
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        }
        return false;
    }

private:
    bool m_seen = false;
};

// The main window's menus and controls, and nothing behind them.
void showBareWindow(QMainWindow& window)
{
    const auto menu = [&](const char* title, std::initializer_list<const char*> items) {
        QMenu* menu = window.menuBar()->addMenu(QString::fromLatin1(title));
        for (const char* item : items) {
            if (*item)
                menu->addAction(QString::fromLatin1(item))->setCheckable(true);
            else
                menu->addSeparator();
        }
        return menu;
    };
    menu("&File ", {"E&xit"});
    menu("&Options", {"Confirm domains with WHOIS", "Also check with &dashes", "Minimize to System &Tray", "",
                      "DNS &Settings", "D&omains to search"});
    QMenu* tools = menu("&Tools", {"&Whois Lookup", "W&atched names..."});
    QMenu* sites = tools->addMenu(QStringLiteral("&Useful Websites"));
    for (int i = 0; i < frmMain::UsefulWebsiteCount; ++i)
        sites->addAction(QString::fromLatin1(frmMain::UsefulWebsites[i].caption));
    menu("&Help", {"&Help Contents", "", "Orlevan &homepage", "&About Orlevan"});
    auto* central = new QWidget(&window);
    auto* grid = new QGridLayout(central);
    auto* names = new QLineEdit(central);
    names->setMinimumWidth(340);
    auto* check = new QPushButton(QStringLiteral("Check"), central);
    check->setDefault(true);
    grid->addWidget(names, 0, 0, 1, 2);
    grid->addWidget(check, 0, 2);
    grid->addWidget(new QRadioButton(QStringLiteral("Check Seperately"), central), 1, 0);
    grid->addWidget(new QRadioButton(QStringLiteral("Check Combinations"), central), 1, 1, 1, 2, Qt::AlignRight);
    window.setCentralWidget(central);
    window.setWindowTitle(QStringLiteral("Orlevan"));
    window.setFixedSize(window.sizeHint());
    window.show();
}

// One start-up: "orlevan" as the program starts, with its settings, data and program folder given, or "bare".
int startupChild(int argc, char* argv[], const QStringList& args)
{
    QApplication app(argc, argv);
    FirstPaint firstPaint;
    app.installEventFilter(&firstPaint);
    if (args.value(0) == QLatin1String("orlevan")) {
        Environment::current().settingsFile = args.value(1) + QStringLiteral("/Orlevan.ini");
        Environment::current().dataFolder = args.value(1);
        Environment::current().programFolder = args.value(2);
        return Application::run();
    }
    QMainWindow window;
    showBareWindow(window);
    return QApplication::exec();
}

int benchStartup(int rounds)
{
    QTemporaryDir dir;
    // Settings as a first run leaves them, so that no first-run dialog comes between.
    Environment::current().settingsFile = dir.path() + QStringLiteral("/Orlevan.ini");
    if (Utils::SaveSetting(Utils::Key::Init, Utils::BoolText(false)) ||
        Utils::SaveSetting(Utils::Key::Domains, QStringLiteral("default")) || Utils::SaveSettings() ||
        Utils::SaveDomainSelection()) {
        std::fprintf(stderr, "the settings cannot be written in %s\n", qPrintable(dir.path()));
        return 1;
    }
    const QString programFolder = QFileInfo(QStringLiteral(ORLEVAN_CLI)).absolutePath();
    QList<double> own, bare;
    for (int round = 0; round < rounds; ++round) {
        for (const QString& which : {QStringLiteral("orlevan"), QStringLiteral("bare")}) {
            QProcess child;
            QElapsedTimer clock;
            clock.start();
            child.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("--startup-child"), which, dir.path(), programFolder});
            while (child.waitForReadyRead(10000) && !child.canReadLine()) {
            }
            const double ms = double(clock.nsecsElapsed()) / 1e6;
            if (!child.readLine().startsWith("painted")) {
                std::fprintf(stderr, "the %s window did not paint: %s\n", qPrintable(which),
                             child.readAllStandardError().constData());
                return 1;
            }
            (which == QLatin1String("bare") ? bare : own).append(ms);
            child.waitForFinished(10000);
        }
    }
    std::printf("display platform %s; start-up to the first paint of the main window, median of %d: Orlevan %.1f ms, "
                "a bare window with the same menus and controls %.1f ms, ratio %.2f\n",
                qPrintable(QGuiApplication::platformName()), rounds, median(own), median(bare),
                median(own) / std::max(0.1, median(bare)));
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    if (const qsizetype paced = args.indexOf(QStringLiteral("--paced")); paced >= 0 && paced + 3 < args.size())
        return pacedSender(quint16(args.at(paced + 1).toUInt()), args.at(paced + 2).toInt(),
                           args.at(paced + 3).toInt());
    if (const qsizetype child = args.indexOf(QStringLiteral("--startup-child")); child >= 0)
        return startupChild(argc, argv, args.mid(child + 1));
    if (args.contains(QStringLiteral("--serve"))) {
        QCoreApplication app(argc, argv);
        const qsizetype at = args.indexOf(QStringLiteral("--address"));
        const qsizetype port = args.indexOf(QStringLiteral("--port"));
        const qsizetype gap = args.indexOf(QStringLiteral("--burst-gap"));
        return serve(at >= 0 ? QHostAddress(args.value(at + 1)) : QHostAddress(QHostAddress::LocalHost),
                     port >= 0 ? quint16(args.value(port + 1).toUInt()) : 0,
                     gap >= 0 ? args.value(gap + 1).toInt() : 1000000);
    }
    const auto option = [&](const char* name, int fallback) {
        const qsizetype at = args.indexOf(QString::fromLatin1(name));
        return at >= 0 && at + 1 < args.size() ? args.at(at + 1).toInt() : fallback;
    };
    const bool runOnly = args.contains(QStringLiteral("--run-only"));
    const int delay = option("--delay", 5);
    const bool cli = args.contains(QStringLiteral("--cli"));
    const int retries = option("--retries", cli ? 1 : 3);
    const int rounds = std::max(1, option("--rounds", 5));
    const int count = qBound(1, option("--candidates", DNS::MaxCandidates), DNS::MaxCandidates);
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (args.contains(QStringLiteral("--startup")))
        return benchStartup(std::max(1, option("--rounds", 9)));

    // The server runs detached: a QProcess would add its pipes and its exit watch to every wake-up of the program
    // being measured.
    quint16 port = 0;
    {
        QUdpSocket probe;
        probe.bind(QHostAddress::LocalHost, 0);
        port = probe.localPort();
    }
    qint64 serverPid = 0;
    QUdpSocket ready;
    QProcess detached;
    detached.setProgram(QCoreApplication::applicationFilePath());
    detached.setArguments({QStringLiteral("--serve"), QStringLiteral("--port"), QString::number(port)});
    detached.setStandardOutputFile(QProcess::nullDevice());
    bool started = detached.startDetached(&serverPid);
    for (int i = 0; started && i < 50; ++i) {
        ready.writeDatagram("?", QHostAddress::LocalHost, port);
        if (ready.waitForReadyRead(100))
            break;
        started = i < 49;
    }
    if (!started) {
        std::fprintf(stderr, "the name server process did not start\n");
        return 1;
    }
    ready.receiveDatagram();

    QTemporaryDir dir;
    Environment::current().settingsFile = dir.path() + QStringLiteral("/Orlevan.ini");
    Utils::AppSettings = {QStringLiteral("127.0.0.1"), qint16(delay), quint8(retries), false, false, false};
    QStringList names;
    for (int i = 1; i <= count; ++i)
        names.append(QStringLiteral("bench%1.com").arg(i));
    const QString nameFile = dir.path() + QStringLiteral("/names");
    QFile file(nameFile);
    if (file.open(QIODevice::WriteOnly))
        file.write(names.join(QLatin1Char('\n')).toLatin1() + '\n');
    file.close();
    const QString dig = QStandardPaths::findExecutable(QStringLiteral("dig"));
    if (cli) {
        ::kill(pid_t(serverPid), SIGTERM); // the command-line case has a server of its own
        return benchCli(nameFile, delay, retries, rounds, dig);
    }

    Candidates::Result list;
    list.verdict = Candidates::Verdict::Accepted;
    list.names = list.typed = names;
    list.bareNames = false;
    const Check::Inputs inputs = Check::Inputs::of(list, {}, false, Utils::AppSettings, port, {});
    const RunPlan plan = RunPlan::make(inputs);
    const double ideal = double(RunSchedule::ticksFor(count + plan.canaries.size(), retries) * delay);
    QList<double> programCpu, programSystem, digCpu, pacedCpu, wallOff;
    int answered = 0;
    for (int round = 0; round < rounds; ++round) {
        QEventLoop loop;
        QElapsedTimer wall;
        std::unique_ptr<Check> check = std::make_unique<Check>(inputs);
        QPair<double, double> start;
        Check* running = check.get();
        if (!runOnly) {
            frmResults* results = Forms::results();
            if (!args.contains(QStringLiteral("--hidden")))
                results->show();
            QObject::connect(results, &QObject::destroyed, &loop, &QEventLoop::quit);
        }
        // The clocks start with the first query, which leaves as the run starts.
        wall.start();
        if (runOnly)
            running->start();
        else
            Forms::results()->GetData(check.release());
        start = cpuMs(RUSAGE_SELF);
        QObject::connect(running, &Check::finished, &loop, &QEventLoop::quit);
        loop.exec();
        const QPair<double, double> end = cpuMs(RUSAGE_SELF);
        programCpu.append(end.first - start.first + end.second - start.second);
        programSystem.append(end.second - start.second);
        wallOff.append((double(wall.nsecsElapsed()) / 1e6 - ideal) / ideal * 100.0);
        answered = running->repliesReceived();
        if (!dig.isEmpty()) {
            const QPair<double, double> before = cpuMs(RUSAGE_CHILDREN);
            QProcess process;
            process.setStandardOutputFile(QProcess::nullDevice());
            process.start(dig, {QStringLiteral("+notcp"), QStringLiteral("+noedns"), QStringLiteral("@127.0.0.1"),
                                QStringLiteral("-p"), QString::number(port), QStringLiteral("-f"), nameFile});
            process.waitForFinished(-1);
            const QPair<double, double> after = cpuMs(RUSAGE_CHILDREN);
            digCpu.append(after.first - before.first + after.second - before.second);
        }
        pacedCpu.append(childCpuMs(QCoreApplication::applicationFilePath(),
                                   {QStringLiteral("--paced"), QString::number(port),
                                    QString::number(qint64(ideal) / delay), QString::number(delay)}));
    }

    std::printf("display platform %s; %d candidates and %lld made-up names, delay %d ms, %d passes, %s\n",
                qPrintable(QGuiApplication::platformName()), count, qsizetype(plan.canaries.size()), delay, retries,
                runOnly ? "run only" : "through the results window");
    std::printf("answered %d of %d; wall time against the ideal (n + made-up + 3 x passes + 10) x delay = %.0f ms: "
                "median %+.2f %%, worst %+.2f %%\n",
                answered, count, ideal, median(wallOff), *std::max_element(wallOff.begin(), wallOff.end()));
    std::printf("processor time, median of %d: Orlevan %.1f ms (system %.1f ms)", rounds, median(programCpu),
                median(programSystem));
    if (dig.isEmpty())
        std::printf("; dig is missing (Debian package dnsutils), so Orlevan's figure stands alone\n");
    else
        std::printf(", dig %.1f ms, ratio %.2f\n", median(digCpu), median(programCpu) / median(digCpu));
    std::printf("the least a sender at the same pace needs: %.1f ms, Orlevan against it %.2f\n", median(pacedCpu),
                median(programCpu) / std::max(0.1, median(pacedCpu)));
    Forms::destroyAll();
    ::kill(pid_t(serverPid), SIGTERM);
    return 0;
}
