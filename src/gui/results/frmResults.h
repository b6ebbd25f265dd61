#pragma once

#include "core/Throttle.h"
#include "core/Utils.h"
#include "check/RunPhase.h"
#include "check/RunPlan.h"
#include "check/WhoisConfirmation.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

struct CheckResult;
class QAction;
class QMenu;
class QProgressBar;
class QPushButton;
class QShortcut;
class ResultGrid;

// The results of one Check: runs the check and shows every candidate as a picture in a grid of names by suffixes.
// Grid coordinates are the program's: column c and row r from 1, the names' column and the headings' row being the
// table's headers. The decisions live in RunPlan, CheckRun and WhoisConfirmation; this window wires them up.
class frmResults final : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmResults(QWidget* parent = nullptr);
    ~frmResults() override;

    // Starts one checking run over the name list of the main window and returns; the run goes on by events.
    void GetData();
    // A run or its confirmation is in progress: a new Check must wait.
    bool isBusy() const { return RunPhases::busy(m_phase); }
    RunPhase phase() const { return m_phase; }
    bool WhoisPhase() const { return m_phase == RunPhase::Confirming; }
    // Confirms the free candidates with WHOIS or RDAP and returns; it goes on by events and ends with Close.
    void WhoisChecks();
    // The width in twips that column `col` needs for its heading.
    qint16 GetColwidth(qint16 col) const;
    // Paints one cell from its status and makes it the current cell, without scrolling the grid.
    void ShowCell(int column, int row);
    void ShowAllCells();
    // Cancel or Close; also File > Exit and the close box.
    void butCancelOk_Click();

    void mnuCopy_Click();
    // Writes the results as a CSV file the user names.
    void mnuSave_Click();
    void mnuGoto_Click();
    void mnuWww_Click();
    void mnuWhois2_Click();

    CheckRun* currentRun() const { return m_run.data(); }
    WhoisConfirmation* confirmation() const { return m_confirmation.data(); }

    ResultGrid* Resultgrid = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QPushButton* butCancelOk = nullptr;
    QMenu* mnuFile = nullptr;
    QMenu* mnuEdit = nullptr;
    QMenu* mnuTools = nullptr;
    QAction* mnuSave = nullptr;
    QAction* mnuExit = nullptr;
    QAction* mnuCopy = nullptr;
    QAction* mnuWhois = nullptr;
    QMenu* mnuPopup = nullptr;
    QAction* mnuTitle = nullptr;
    QAction* mnuDisplay = nullptr;
    QAction* mnuGoto = nullptr;
    QAction* mnuWww = nullptr;
    QAction* mnuWhois2 = nullptr;

    int ColumnCount = 0;
    QStringList ColumnLabels; // index 0 holds nothing
    int CandidateTotal = 0;
    qint16 RepliesReceived = 0;
    // The record of the candidate whose popup was opened last.
    Utils::TldRecord CurrentTld;

    double ContentWidth = 0;
    double ContentHeight = 0;
    double DesiredWidth = 0;
    double DesiredHeight = 0;

Q_SIGNALS:
    // The popup's "Lookup ... with WHOIS" and Tools > Whois Lookup: the lookup window is not this window's.
    void whoisLookupRequested(const QString& domain);
    void whoisWindowRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void refuse(const QString& text);
    void LayoutGrid();
    void CalcFormSize();
    void Form_Resize();
    double dpi() const;
    QSize frameExtra() const;
    void setMenusEnabled(bool enabled);
    void onRunCompleted();
    void afterRun();
    void whoisConfirmationFinished();
    void Resultgrid_EnterCell(int column, int row);
    // The cell of the last popup, if the current run still has it.
    const CheckResult* popupResult() const;
    void showClose();
    void cancelLogic();
    void releaseRun();
    void releaseConfirmation();

    RunPhase m_phase = RunPhase::Idle;
    QPointer<CheckRun> m_run;
    QPointer<WhoisConfirmation> m_confirmation;
    int m_popupColumn = 0;
    int m_popupRow = 0;
    QShortcut* m_escape = nullptr;
    Throttle m_repaint;
    QStringList m_typedNames;
    bool m_resizing = false;
};
