#include "gui/app/Startup.h"

#include <cstdio>

namespace Startup {

bool hasDisplay(const QProcessEnvironment& environment, const QStringList& arguments)
{
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        if (!environment.value(QLatin1String(name)).isEmpty())
            return true;
    }
    // Qt takes its options with one dash or two, the value as the next argument; -display names an X11 display.
    for (qsizetype i = 0; i + 1 < arguments.size(); ++i) {
        const QString option =
            arguments.at(i).startsWith(QLatin1String("--")) ? arguments.at(i).mid(1) : arguments.at(i);
        if (option == QLatin1String("-platform") || option == QLatin1String("-display"))
            return true;
    }
    return false;
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
