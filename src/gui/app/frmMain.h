#pragma once

#include "core/WatchList.h"

#include <QMainWindow>
#include <QSet>

class QAction;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The start-up window: the name box, the two modes, the Check button and the menus.
class frmMain final : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    // The start-up sequence. False when the data file is missing: the program then ends.
    bool Form_Load();
    // The Check command.
    void activate_Click();
    // The tray icon's double click, or Restore in its menu: the window comes back from the tray.
    void TrayIconCallback();
    // The window's place on the screen, kept from one run of the program to the next.
    void savePosition();
    void restorePosition();

    QPushButton* activate = nullptr;
    QLineEdit* names = nullptr;
    QRadioButton* checkmode[2] = {nullptr, nullptr};

    QAction* mnuExit = nullptr;
    QAction* mnuConfirmWhois = nullptr;
    // Combinations also with a hyphen at the joint: the stored switch CheckWithDashes.
    QAction* mnuDashes = nullptr;
    QAction* mnuSysTray = nullptr;
    QAction* mnuServer = nullptr;
    QAction* mnuDomains = nullptr;
    QAction* mnuWhois = nullptr;
    QAction* mnuWatched = nullptr;
    QAction* mnuHelpIndex = nullptr;
    QAction* mnuHomepage = nullptr;
    QAction* mnuAbout = nullptr;

    // The web-site items and the addresses they open.
    struct WebSite
    {
        const char* objectName;
        const char* caption;
        const char* address;
    };
    static constexpr int UsefulWebsiteCount = 7;
    static const WebSite UsefulWebsites[UsefulWebsiteCount];

protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void Form_Resize();
    void mnuConfirmWhois_Click();
    void mnuSysTray_Click();
    void mnuServer_Click();
    void mnuDomains_Click();
    void mnuWhois_Click();
    // A watch check's changes: told in the tray when its icon is shown, else marked in the list and said here.
    void watchChanged(const QList<Watch::Outcome>& outcomes);
    // Says once, while the window can be seen, how many watched names changed unseen.
    void sayWatchChanges();
    void mnuHelpIndex_Click();
    void mnuAbout_Click();

    QSet<QString> m_unsaidChanges;
};
