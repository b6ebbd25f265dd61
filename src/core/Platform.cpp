#include "core/Platform.h"

#include "core/AppInfo.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDialog>
#include <QFileInfo>
#include <QHash>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QUrl>

class DesktopPlatform final : public Platform
{
};

namespace {
Platform* g_override = nullptr;
}

Platform& Platform::instance()
{
    static DesktopPlatform desktop;
    return g_override ? *g_override : desktop;
}

void Platform::setInstance(Platform* platform)
{
    g_override = platform;
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

Platform::Answer Platform::messageBox(const QString& text, Buttons buttons, Icon icon, const QString& caption)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(caption);
    box.setTextFormat(Qt::PlainText);
    box.setText(displayText(text));
    switch (icon) {
    case NoIcon:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    if (buttons == YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    const int result = box.exec();
    if (buttons == YesNo)
        return result == QMessageBox::Yes ? AnswerYes : AnswerNo;
    return AnswerOk;
}

void Platform::openUrl(const QString& address)
{
    const QString target = normalizedAddress(address);
    if (target.startsWith(QLatin1Char('/')))
        QDesktopServices::openUrl(QUrl::fromLocalFile(target));
    else
        QDesktopServices::openUrl(QUrl(target));
}

bool Platform::startProgram(const QString& program, const QStringList& arguments)
{
    return QProcess::startDetached(program, arguments);
}

void Platform::setClipboardText(const QString& text)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
}

int Platform::runModal(QDialog* dialog)
{
    return dialog->exec();
}

void Platform::quit(int status)
{
    QCoreApplication::exit(status);
}

bool Platform::systemTrayAvailable()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

namespace {
using TrayKey = QPair<const QObject*, quint32>;
QHash<TrayKey, QPointer<QSystemTrayIcon>>& trayIcons()
{
    static QHash<TrayKey, QPointer<QSystemTrayIcon>> icons;
    return icons;
}
} // namespace

void Platform::notifyIcon(TrayCommand command, const TrayIconRecord& record)
{
    if (!record.window)
        return;
    const TrayKey key(record.window, record.id);
    QPointer<QSystemTrayIcon> icon = trayIcons().value(key);
    if (command == TrayDelete) {
        trayIcons().remove(key);
        delete icon.data();
        return;
    }
    if (!icon) {
        if (command == TrayModify)
            return;
        // A child of the window, so that no icon outlives the window that answers its clicks.
        icon = new QSystemTrayIcon(record.window);
        trayIcons().insert(key, icon);
        if (record.activated)
            QObject::connect(icon, &QSystemTrayIcon::activated, record.window, record.activated);
    }
    icon->setIcon(record.icon);
    icon->setToolTip(record.tip);
    icon->setContextMenu(record.menu);
    icon->show();
}
