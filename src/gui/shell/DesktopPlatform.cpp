#include "gui/shell/DesktopPlatform.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QHash>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QUrl>

DesktopPlatform& DesktopPlatform::instance()
{
    static DesktopPlatform desktop;
    auto* installed = dynamic_cast<DesktopPlatform*>(&Platform::instance());
    return installed ? *installed : desktop;
}

namespace {
// The window a box or dialog belongs to, so that it opens centred over it: the modal dialog in front, else the
// active window, else the window that last had the focus (while a popup closes, no window may be active).
QWidget* ownerWindow()
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    if (QWidget* focus = QApplication::focusWidget())
        return focus->window();
    return nullptr;
}
} // namespace

Platform::Answer DesktopPlatform::messageBox(const QString& text, Buttons buttons, Icon icon, const QString& caption)
{
    static const QMessageBox::Icon icons[] = {QMessageBox::NoIcon, QMessageBox::Information, QMessageBox::Warning,
                                              QMessageBox::Critical, QMessageBox::Question};
    QMessageBox box(ownerWindow());
    box.setWindowTitle(caption);
    box.setTextFormat(Qt::PlainText);
    box.setText(displayText(text));
    box.setIcon(icons[icon]);
    if (buttons == YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? AnswerYes : AnswerNo;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return AnswerOk;
}

bool DesktopPlatform::openUrl(const QString& address)
{
    const QString target = normalizedAddress(address);
    return QDesktopServices::openUrl(target.startsWith(QLatin1Char('/')) ? QUrl::fromLocalFile(target) : QUrl(target));
}

void DesktopPlatform::setClipboardText(const QString& text)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
}

QString DesktopPlatform::saveFileName(const QString& caption, const QString& suggested, const QString& filter)
{
    return QFileDialog::getSaveFileName(ownerWindow(), caption, suggested, filter);
}

int DesktopPlatform::runModal(QDialog* dialog)
{
    // A dialog of the program's own has no parent; it opens centred over the window it was asked from, within that
    // window's screen.
    QWidget* owner = dialog->parentWidget() ? nullptr : ownerWindow();
    if (owner && owner != dialog) {
        dialog->adjustSize();
        QRect place(QPoint(), dialog->frameGeometry().size());
        place.moveCenter(owner->frameGeometry().center());
        const QRect screen = owner->screen()->availableGeometry();
        place.moveLeft(qBound(screen.left(), place.left(), qMax(screen.left(), screen.right() - place.width())));
        place.moveTop(qBound(screen.top(), place.top(), qMax(screen.top(), screen.bottom() - place.height())));
        dialog->move(place.topLeft());
    }
    return dialog->exec();
}

bool DesktopPlatform::systemTrayAvailable()
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

void DesktopPlatform::notifyIcon(TrayCommand command, const TrayIconRecord& record)
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
        if (record.messageClicked)
            QObject::connect(icon, &QSystemTrayIcon::messageClicked, record.window, record.messageClicked);
    }
    icon->setIcon(record.icon);
    icon->setToolTip(record.tip);
    icon->setContextMenu(record.menu);
    icon->show();
}

void DesktopPlatform::trayMessage(const TrayIconRecord& record, const QString& title, const QString& text)
{
    if (QSystemTrayIcon* icon = trayIcons().value(TrayKey(record.window, record.id)))
        icon->showMessage(title, text, record.icon);
}
