#include "gui/app/Startup.h"

#include <QDir>
#include <QRegularExpression>

#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace Startup {

namespace {

// A quick local connect: a display server listens on a local socket, or on a loopback port when forwarded.
bool connects(const QByteArray& unixPath, quint16 loopbackPort = 0)
{
    const int fd = ::socket(loopbackPort ? AF_INET : AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    int result = -1;
    if (loopbackPort) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(loopbackPort);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        result = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    } else if (unixPath.size() < qsizetype(sizeof(sockaddr_un::sun_path))) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, unixPath.constData(), size_t(unixPath.size()));
        result = ::connect(fd, reinterpret_cast<sockaddr*>(&address),
                           socklen_t(offsetof(sockaddr_un, sun_path) + size_t(unixPath.size())));
    }
    ::close(fd);
    return result == 0;
}

bool x11Reachable(const QString& display)
{
    static const QRegularExpression form(QStringLiteral("^(.*):(\\d+)(\\.\\d+)?$"));
    const QRegularExpressionMatch match = form.match(display);
    if (!match.hasMatch())
        return true; // a form Qt may know better
    const QString host = match.captured(1);
    const int number = match.captured(2).toInt();
    if (host.isEmpty() || host == QLatin1String("unix")) {
        const QByteArray path = "/tmp/.X11-unix/X" + QByteArray::number(number);
        return connects(path) || connects('\0' + path);
    }
    if (host == QLatin1String("localhost") || host == QLatin1String("127.0.0.1"))
        return number < 59535 && connects({}, quint16(6000 + number));
    return true; // a remote display is not asked from here: it could take long to answer
}

bool waylandReachable(const QString& display, const QProcessEnvironment& environment)
{
    const QString path = QDir::isAbsolutePath(display)
                             ? display
                             : environment.value(QStringLiteral("XDG_RUNTIME_DIR")) + QLatin1Char('/') + display;
    return connects(QFile::encodeName(path));
}

} // namespace

bool hasDisplay(const QProcessEnvironment& environment, const QStringList& arguments)
{
    // Qt takes its options with one dash or two, the value as the next argument; -display names an X11 display.
    for (qsizetype i = 0; i + 1 < arguments.size(); ++i) {
        const QString option =
            arguments.at(i).startsWith(QLatin1String("--")) ? arguments.at(i).mid(1) : arguments.at(i);
        if (option == QLatin1String("-platform") || option == QLatin1String("-display"))
            return true;
    }
    const QString platform = environment.value(QStringLiteral("QT_QPA_PLATFORM"));
    if (!platform.isEmpty() && !platform.startsWith(QLatin1String("xcb")) &&
        !platform.startsWith(QLatin1String("wayland")))
        return true;
    // A display that is named but cannot be reached is as good as none: Qt would abort on it.
    const QString wayland = environment.value(QStringLiteral("WAYLAND_DISPLAY"));
    const QString x11 = environment.value(QStringLiteral("DISPLAY"));
    return (!wayland.isEmpty() && waylandReachable(wayland, environment)) || (!x11.isEmpty() && x11Reachable(x11));
}

QString noDisplayText()
{
    return QStringLiteral("Orlevan is a desktop program and needs a graphical session, but no X11 or Wayland "
                          "display was found.");
}

bool checkDisplay(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    if (hasDisplay(QProcessEnvironment::systemEnvironment(), arguments))
        return true;
    std::fprintf(stderr, "%s\n", noDisplayText().toLocal8Bit().constData());
    return false;
}

} // namespace Startup
