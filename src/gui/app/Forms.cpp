#include "gui/app/Forms.h"

#include "core/AppInfo.h"
#include "core/Platform.h"
#include "gui/app/frmMain.h"
#include "gui/dialogs/frmDomains.h"
#include "gui/dialogs/frmOptions.h"
#include "gui/dialogs/frmOptionsFirst.h"
#include "gui/results/CellPopup.h"
#include "gui/results/frmResults.h"
#include "gui/shell/frmAbout.h"
#include "gui/shell/frmReadme.h"
#include "gui/shell/frmTrayIcon.h"
#include "gui/watch/Watcher.h"
#include "gui/watch/frmWatched.h"
#include "gui/whois/frmWhois.h"

#include <QPointer>

namespace Forms {

namespace {
QPointer<frmMain> g_main;
QPointer<frmResults> g_results;
QPointer<frmDomains> g_domains;
QPointer<frmOptions> g_options;
QPointer<frmOptionsFirst> g_optionsFirst;
QPointer<frmWhois> g_whois;
QPointer<frmTrayIcon> g_trayIcon;
QPointer<frmAbout> g_about;
QPointer<frmReadme> g_readme;
QPointer<frmWatched> g_watched;
QPointer<Watcher> g_watcher;

template <typename T> T* instance(QPointer<T>& slot)
{
    if (!slot)
        slot = new T;
    return slot.data();
}

template <typename T> void destroy(QPointer<T>& slot)
{
    delete slot.data();
    slot.clear();
}
} // namespace

Io& io()
{
    static Io program;
    return program;
}

namespace {
// From the results: the name is watched, and the list shows it being checked.
void watchAndShow(const QString& typed, const QString& ascii)
{
    watcher()->watch({{typed, ascii}});
    showWindow(watched());
}
void lookUp(const QString& domain)
{
    frmWhois* lookup = whois();
    showWindow(lookup);
    lookup->LookupDomain(domain);
}
} // namespace

frmMain* main()
{
    return instance(g_main);
}
frmResults* results()
{
    if (g_results)
        return g_results;
    frmResults* window = instance(g_results);
    QObject::connect(window->mnuPopup, &CellPopup::watchRequested, window, &watchAndShow);
    QObject::connect(window, &frmResults::whoisWindowRequested, window, [] { showWindow(whois()); });
    QObject::connect(window, &frmResults::whoisLookupRequested, window, &lookUp);
    return window;
}
frmDomains* domains()
{
    return instance(g_domains);
}
frmOptions* options()
{
    return instance(g_options);
}
frmOptionsFirst* optionsFirst()
{
    return instance(g_optionsFirst);
}
frmWhois* whois()
{
    return instance(g_whois);
}
frmTrayIcon* trayIcon()
{
    return instance(g_trayIcon);
}
frmAbout* about()
{
    return instance(g_about);
}
frmReadme* readme()
{
    return instance(g_readme);
}
frmWatched* watched()
{
    if (g_watched)
        return g_watched;
    frmWatched* window = instance(g_watched);
    QObject::connect(window, &frmWatched::whoisLookupRequested, window, &lookUp);
    return window;
}
Watcher* watcher()
{
    return instance(g_watcher);
}

void warnIf(const std::optional<QString>& text)
{
    if (text)
        Platform::instance().messageBox(*text, Platform::Ok, Platform::Warning, AppInfo::Title);
}

void showWindow(QWidget* window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

frmMain* mainIfLoaded()
{
    return g_main.data();
}
frmResults* resultsIfLoaded()
{
    return g_results.data();
}
frmTrayIcon* trayIconIfLoaded()
{
    return g_trayIcon.data();
}
frmWatched* watchedIfLoaded()
{
    return g_watched.data();
}

void destroyAll()
{
    // The results window first: it may hold a run that talks to the other windows.
    destroy(g_results);
    destroy(g_watched);
    destroy(g_watcher);
    destroy(g_whois);
    destroy(g_options);
    destroy(g_optionsFirst);
    destroy(g_domains);
    destroy(g_about);
    destroy(g_readme);
    destroy(g_trayIcon);
    destroy(g_main);
}

} // namespace Forms
