#pragma once

#include "check/Check.h"

#include <QDateTime>
#include <functional>

class frmMain;
class frmResults;
class frmDomains;
class frmOptions;
class frmOptionsFirst;
class frmWhois;
class frmTrayIcon;
class frmAbout;
class frmReadme;
class frmWatched;
class Watcher;
class QString;
class QWidget;

// Every window exists once and is created on first use: these accessors create it when it does not exist and
// forget it when it is destroyed.
namespace Forms {
// What the windows' checks and lookups talk through, and the port of the name server: the program's own unless a
// test aims them at its fakes.
struct Io
{
    Check::Io check;
    quint16 nameServerPort = 53;
    // The watch list's clock (empty: the system's), and the pause between two watched names' registry questions.
    std::function<QDateTime()> now;
    int watchSpacingMs = 1000;
};
Io& io();

frmMain* main();
frmResults* results();
frmDomains* domains();
frmOptions* options();
frmOptionsFirst* optionsFirst();
frmWhois* whois();
frmTrayIcon* trayIcon();
frmAbout* about();
frmReadme* readme();
frmWatched* watched();
// The watch list while the program runs.
Watcher* watcher();

// Shows a warning of the program's own, when there is one.
void warnIf(const std::optional<QString>& text);
// Shows a modeless window and brings it to the front.
void showWindow(QWidget* window);

// The window if it exists; these never create one.
frmMain* mainIfLoaded();
frmResults* resultsIfLoaded();
frmTrayIcon* trayIconIfLoaded();
frmWatched* watchedIfLoaded();

// Destroys every window at once, without running any window's closing logic.
void destroyAll();
} // namespace Forms
