#pragma once

#include "check/Check.h"
#include "core/Platform.h"
#include "core/Throttle.h"
#include "core/Utils.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <memory>

class CellPopup;
class MessageQueue;
class QAction;
class QMenu;
class QProgressBar;
class QPushButton;
class QShortcut;
class ResultGrid;
class ResultsSizing;

// The results of one Check, shown as a grid of names by suffixes with a picture for every candidate. Grid
// coordinates are the program's: column c and row r from 1, the names' column and the headings' row being the
// table's headers. The Check decides; this window paints what it reports and says what goes wrong.
class frmResults final : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmResults(QWidget* parent = nullptr);
    ~frmResults() override;

    // Starts one Check of these names and returns; the Check goes on by events.
    void GetData(const Candidates::Result& names);
    // A run or its confirmation is in progress: a new Check must wait.
    bool isBusy() const { return m_check && m_check->busy(); }
    RunPhase phase() const { return m_check ? m_check->phase() : RunPhase::Idle; }
    bool WhoisPhase() const { return phase() == RunPhase::Confirming; }
    Check* check() const { return m_check; }
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
    // Registration details of a taken candidate, in a window of their own.
    void mnuDetails_Click();

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
    CellPopup* mnuPopup = nullptr;

    int ColumnCount = 0;
    QStringList ColumnLabels; // index 0 holds nothing
    int CandidateTotal = 0;
    qint16 RepliesReceived = 0;
    // The record of the candidate whose popup was opened last.
    Utils::TldRecord CurrentTld;

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
    void setMenusEnabled(bool enabled);
    void onCellChanged(int column, int row);
    void onProgress(int value, int maximum, const QString& caption);
    void onPhaseChanged(RunPhase phase);
    void onFailed(Check::Failure failure, const QString& text);
    void Resultgrid_EnterCell(int column, int row);
    // The cell of the last popup, if the current Check still has it.
    const CheckResult* popupResult() const;
    void releaseCheck();

    QPointer<Check> m_check;
    MessageQueue* m_messages;
    int m_popupColumn = 0;
    int m_popupRow = 0;
    QShortcut* m_escape = nullptr;
    Throttle m_repaint;
    std::unique_ptr<ResultsSizing> m_sizing;
};
