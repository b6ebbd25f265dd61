#pragma once

#include "gui/shell/DesktopPlatform.h"
#include "support/TestPlatform.h"

class QDialog;

// The recording desktop for tests with windows: a modal dialog is rejected at once instead of blocking, and the
// tray is recorded.
class TestDesktop final : public Recording<DesktopPlatform>
{
public:
    int runModal(QDialog* dialog) override;
    bool systemTrayAvailable() override { return trayAvailable; }
    void notifyIcon(TrayCommand command, const TrayIconRecord& record) override { trayCalls.append({command, record}); }
    void trayMessage(const TrayIconRecord&, const QString& title, const QString& text) override
    {
        trayMessages.append(title + '\n' + text);
    }

    bool trayAvailable = true;
    QStringList modalTitles;
    struct TrayCall
    {
        TrayCommand command;
        TrayIconRecord record;
    };
    QList<TrayCall> trayCalls;
    QStringList trayMessages; // title, LF, text
};

// The reset of all program state with the windows: every window goes first, then resetProgramState.
void resetAll(const QString& folder);
