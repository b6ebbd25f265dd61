// orlevan_bench [--run-only | --hidden] [--delay MS] [--retries N] [--candidates N]
// Starts itself with --serve as a name server on 127.0.0.1 and checks the candidates against it, through the
// results window (offscreen unless a display is set; --hidden: not shown) or, with --run-only, through the run alone.
#include "app/Forms.h"
#include "core/Utils.h"
#include "dns/CheckResults.h"
#include "dns/CheckRun.h"
#include "dns/DNS.h"
#include "results/frmResults.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QProcess>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <cstdio>
#include <ctime>

namespace {

double cpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1000.0 + double(now.tv_nsec) / 1e6;
}

// Answers every query at once: odd-numbered names exist, even-numbered ones do not.
int serve()
{
    QUdpSocket socket;
    if (!socket.bind(QHostAddress::LocalHost, 0))
        return 1;
    std::printf("%u\n", socket.localPort());
    std::fflush(stdout);
    QObject::connect(&socket, &QUdpSocket::readyRead, &socket, [&socket] {
        while (socket.hasPendingDatagrams()) {
            const QNetworkDatagram datagram = socket.receiveDatagram();
            QByteArray reply = datagram.data();
            if (reply.size() < 13)
                continue;
            const int length = quint8(reply.at(12));
            const bool even = (reply.at(12 + length) - '0') % 2 == 0;
            reply[2] = char(0x81);
            reply[3] = char(even ? 0x83 : 0x80);
            socket.writeDatagram(reply, datagram.senderAddress(), quint16(datagram.senderPort()));
        }
    });
    return QCoreApplication::exec();
}

QString candidate(int i)
{
    return QStringLiteral("bench%1.com").arg(i);
}

} // namespace

int main(int argc, char* argv[])
{
    const QStringList args = [&] {
        QStringList list;
        for (int i = 1; i < argc; ++i)
            list.append(QString::fromLocal8Bit(argv[i]));
        return list;
    }();
    if (args.contains(QStringLiteral("--serve"))) {
        QCoreApplication app(argc, argv);
        return serve();
    }
    auto option = [&](const char* name, int fallback) {
        const qsizetype at = args.indexOf(QString::fromLatin1(name));
        return at >= 0 && at + 1 < args.size() ? args.at(at + 1).toInt() : fallback;
    };
    const bool runOnly = args.contains(QStringLiteral("--run-only"));
    const int delay = option("--delay", 5);
    const int retries = option("--retries", 3);
    const int count = qBound(1, option("--candidates", DNS::MaxCandidates), DNS::MaxCandidates);
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QProcess server;
    server.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--serve")});
    if (!server.waitForStarted() || !server.waitForReadyRead(5000)) {
        std::fprintf(stderr, "the name server process did not start\n");
        return 1;
    }
    const quint16 port = quint16(server.readLine().trimmed().toUInt());
    DNS::NameServerPort = port;

    QTemporaryDir dir;
    Utils::SettingsFile = dir.path() + QStringLiteral("/Orlevan.ini");
    Utils::AppSettings.NameServer = QStringLiteral("127.0.0.1");
    Utils::AppSettings.QueryDelay = qint16(delay);
    Utils::AppSettings.Retries = quint8(retries);
    Utils::AppSettings.ConfirmWhois = false;

    QElapsedTimer wall;
    double cpuStart = 0;
    int answered = 0;
    std::unique_ptr<CheckRun> run;
    auto finished = [&] {
        const double wallMs = double(wall.nsecsElapsed()) / 1e6;
        const double cpuMs = cpuMilliseconds() - cpuStart;
        const double ideal = double(RunSchedule::ticksFor(count, retries) * delay);
        std::printf("candidates %d, delay %d ms, passes %d, %s\n", count, delay, retries,
                    runOnly ? "run only" : "through the results window");
        std::printf("answered   %d of %d\n", answered, count);
        std::printf("wall time  %.1f ms, ideal (n + 3 x passes + 10) x delay = %.0f ms, %+.2f %%\n", wallMs, ideal,
                    (wallMs - ideal) / ideal * 100.0);
        std::printf("CPU time   %.1f ms = %.2f %% of wall time\n", cpuMs, cpuMs / wallMs * 100.0);
        QCoreApplication::quit();
    };

    if (runOnly) {
        CheckResults.reset(1, count);
        for (int r = 1; r <= count; ++r) {
            CheckResults(1, r).domain = candidate(r);
            CheckResults(1, r).queryId = qint16(r);
        }
        run = std::make_unique<CheckRun>(CheckResults,
                                         CheckRun::Setup{QStringLiteral("127.0.0.1"), port, delay, retries, 1, count, {}});
        QObject::connect(run.get(), &CheckRun::completed, &app, [&] {
            answered = run->repliesReceived();
            finished();
        });
        wall.start();
        cpuStart = cpuMilliseconds();
        run->start();
    } else {
        for (int i = 0; i < count; ++i)
            Utils::CheckList[i] = candidate(i + 1);
        Utils::CheckCount = qint16(count);
        Utils::BareNames = false;
        Utils::CheckRunning = true;
        frmResults* results = Forms::results();
        if (!args.contains(QStringLiteral("--hidden")))
            results->show();
        wall.start();
        cpuStart = cpuMilliseconds();
        results->GetData();
        std::printf("setting up the window took %.1f ms of CPU time\n", cpuMilliseconds() - cpuStart);
        QObject::connect(results->currentRun(), &CheckRun::completed, &app, [&, results] {
            answered = results->RepliesReceived;
            finished();
        });
    }
    const int status = QApplication::exec();
    run.reset();
    Forms::destroyAll();
    server.kill();
    server.waitForFinished();
    return status;
}
