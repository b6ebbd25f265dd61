#pragma once

#include <QObject>
#include <QPointer>

class frmMain;

// Owns the tray icon and forwards its mouse events to the main window. (Stand-in: remembers the state only.)
class frmTrayIcon final : public QObject
{
    Q_OBJECT

public:
    explicit frmTrayIcon(QObject* parent = nullptr);
    ~frmTrayIcon() override;

    void SetCallback(frmMain* owner);
    // True: add the icon, or modify it when it is shown. False: remove it when it is shown.
    void Update(bool IconOn);
    bool iconShown() const { return m_iconShown; }

private:
    QPointer<frmMain> m_owner;
    bool m_iconShown = false;
};
