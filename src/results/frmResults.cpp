#include "results/frmResults.h"

#include "core/AppInfo.h"
#include "core/Utils.h"

#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

frmResults::frmResults(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmResults"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Results"));
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    Resultgrid = new QTableWidget(central);
    Resultgrid->setObjectName(QStringLiteral("Resultgrid"));
    butCancelOk = new QPushButton(QStringLiteral("Cancel"), central);
    butCancelOk->setObjectName(QStringLiteral("butCancelOk"));
    layout->addWidget(Resultgrid);
    layout->addWidget(butCancelOk, 0, Qt::AlignRight);
    setCentralWidget(central);
    connect(butCancelOk, &QPushButton::clicked, this, &QWidget::close);
}

void frmResults::GetData()
{
    setWindowTitle(AppInfo::Title + QStringLiteral(" results"));
    Resultgrid->setColumnCount(1);
    Resultgrid->setRowCount(Utils::CheckCount);
    for (int i = 0; i < Utils::CheckCount; ++i)
        Resultgrid->setItem(i, 0, new QTableWidgetItem(Utils::CheckList[i]));
    unsetCursor();
    Utils::CheckRunning = false;
    butCancelOk->setText(QStringLiteral("Close"));
}
