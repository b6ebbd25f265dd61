#pragma once

#include "core/Utils.h"
#include "results/ResultsLayout.h"
#include "whois/RdapBootstrap.h"

#include <QMainWindow>
#include <QPixmap>
#include <QPointer>
#include <QStringList>

class CheckRun;
struct CheckResult;
class RdapBootstrapUpdater;
class RdapClient;
struct RdapOutcome;
class WhoisClient;
class WhoisConfirmation;
struct WhoisOutcome;
class QAction;
class QMenu;
class QProgressBar;
class QPushButton;
class QShortcut;
class QTableWidget;
class QTimer;

// The results of one Check: runs the check, shows every candidate as a picture in a grid of names by suffixes.
// Grid coordinates are the program's: column c and row r from 1, the names' column and the headings' row being
// the table's headers.
class frmResults final : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmResults(QWidget* parent = nullptr);
    ~frmResults() override;

    // Starts one checking run over the name list of the main window and returns; the run goes on by events.
    void GetData();
    // True while a run or its WHOIS confirmation is in progress.
    bool isBusy() const;
    // Confirms the free candidates, one after the other, and returns; the confirmation goes on by events and ends
    // with the button reading Close. A candidate whose registry offers RDAP is asked there, every other with WHOIS.
    void WhoisChecks();
    // Asks the WHOIS server of the domain about it; the verdict follows when Whois2 finishes.
    void FreeWithWhois(const QString& domainname);
    // Asks the registry's RDAP service at baseUrl about the domain; the verdict follows when Rdap2 finishes.
    void FreeWithRdap(const QString& domainname, const QString& baseUrl);
    // True when the WHOIS reply says that the name is not registered.
    bool CheckWhoisBuffer(const QString& sBuffer) const;
    // The width in twips that column `col` needs for its heading.
    qint16 GetColwidth(qint16 col) const;
    // Paints one cell from its status and makes it the current cell, without scrolling the grid.
    void ShowCell(int column, int row);
    void ShowAllCells();
    // Cancel or Close; also File > Exit and the close box.
    void butCancelOk_Click();

    void mnuCopy_Click();
    void mnuWhois_Click();
    void mnuGoto_Click();
    void mnuWww_Click();
    void mnuWhois2_Click();

    // The run in progress or last run, for tests.
    CheckRun* currentRun() const;
    // Status shown in a cell (grid coordinates), -1 for an empty cell.
    int shownStatus(int column, int row) const;
    double dpi() const;

    QTableWidget* Resultgrid = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QPushButton* butCancelOk = nullptr;
    QMenu* mnuFile = nullptr;
    QMenu* mnuEdit = nullptr;
    QMenu* mnuTools = nullptr;
    QAction* mnuExit = nullptr;
    QAction* mnuCopy = nullptr;
    QAction* mnuWhois = nullptr;
    QMenu* mnuPopup = nullptr;
    QAction* mnuTitle = nullptr;
    QAction* mnuDisplay = nullptr;
    QAction* mnuGoto = nullptr;
    QAction* mnuWww = nullptr;
    QAction* mnuWhois2 = nullptr;
    WhoisClient* Whois2 = nullptr;
    RdapClient* Rdap2 = nullptr;

    QPixmap unknown;
    QPixmap taken;
    QPixmap free;

    int ColumnCount = 0;
    QStringList ColumnLabels; // index 0 holds nothing
    int CandidateTotal = 0;
    qint16 RepliesReceived = 0;
    bool WhoisPhase = false;
    // The record of the candidate whose popup was opened last.
    Utils::TldRecord CurrentTld;

    double ContentWidth = 0;
    double ContentHeight = 0;
    double DesiredWidth = 0;
    double DesiredHeight = 0;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    enum class Phase { Idle, Running, Whois, Done };

    void buildControls();
    void buildMenus();
    static QStringList columnSet(bool& centred);
    void refuse(const QString& text);
    void LayoutGrid();
    void CalcFormSize();
    void Form_Resize();
    QSize frameExtra() const;
    void setMenusEnabled(bool enabled);
    void onRunCompleted();
    void afterRun();
    void whoisConfirmationFinished();
    void releaseConfirmation();
    void Whois2_Finished(const WhoisOutcome& outcome);
    void Rdap2_Finished(const RdapOutcome& outcome);
    void Resultgrid_EnterCell(int row, int column);
    // The cell of the last popup, if the current run still has it.
    const CheckResult* popupResult() const;
    void showClose();
    void cancelLogic();
    void releaseRun();

    Phase m_phase = Phase::Idle;
    QPointer<CheckRun> m_run;
    QPointer<WhoisConfirmation> m_confirmation;
    // The directory of RDAP services in force for the current confirmation, and its weekly refresh.
    RdapBootstrap m_rdapServices;
    RdapBootstrapUpdater* m_rdapUpdater = nullptr;
    // ShowCell moves the current cell itself; that is no choice of the user's.
    bool m_painting = false;
    int m_popupColumn = 0;
    int m_popupRow = 0;
    QShortcut* m_escape = nullptr;
    bool m_resizing = false;
};
