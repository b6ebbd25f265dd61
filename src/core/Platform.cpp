#include "core/Platform.h"

#include "core/AppInfo.h"

#include <QCoreApplication>
#include <QProcess>
#include <cstdio>

namespace {
Platform* g_installed = nullptr;
}

Platform::~Platform() = default;

Platform& Platform::instance()
{
    static Platform headless;
    return g_installed ? *g_installed : headless;
}

void Platform::setInstance(Platform* platform)
{
    g_installed = platform;
}

QString displayText(const QString& text)
{
    QString out = text;
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}

QString normalizedAddress(const QString& address)
{
    const QString trimmed = address.trimmed();
    if (trimmed.contains(QStringLiteral("://")) || trimmed.startsWith(QLatin1Char('/')))
        return trimmed;
    return QStringLiteral("http://") + trimmed;
}

Platform::Answer Platform::messageBox(const QString& text, Buttons buttons, Icon, const QString& caption)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(caption),
                 qPrintable(displayText(text).replace(QLatin1Char('\n'), QLatin1Char(' '))));
    return buttons == YesNo ? AnswerNo : AnswerOk;
}

bool Platform::openUrl(const QString&)
{
    return false;
}

void Platform::openAddress(const QString& address)
{
    if (openUrl(address))
        return;
    setClipboardText(address);
    messageBox(QStringLiteral("No program could open the web address") + QLatin1Char('\r') + address +
                   QLatin1Char('\r') +
                   QStringLiteral("It has been copied to the clipboard, so that you can paste it into a web browser."),
               Ok, Warning, AppInfo::Title);
}

bool Platform::startProgram(const QString& program, const QStringList& arguments)
{
    return QProcess::startDetached(program, arguments);
}

void Platform::setClipboardText(const QString&) {}

QString Platform::saveFileName(const QString&, const QString&, const QString&)
{
    return QString();
}

void Platform::quit(int status)
{
    QCoreApplication::exit(status);
}
