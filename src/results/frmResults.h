#pragma once

#include <QMainWindow>

class QTableWidget;
class QPushButton;

// The results of one Check. (Stand-in: lists the names; the checking run fills it in.)
class frmResults final : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmResults(QWidget* parent = nullptr);

    // Starts one checking run over the name list of the main window.
    void GetData();
    // True while a run or its WHOIS confirmation is in progress.
    bool isBusy() const { return false; }

    QTableWidget* Resultgrid = nullptr;
    QPushButton* butCancelOk = nullptr;
};
