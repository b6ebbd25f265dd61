#include "gui/results/ResultGrid.h"

#include "core/Units.h"
#include "gui/results/CellPictures.h"
#include "gui/results/ResultsModel.h"

#include <QHeaderView>
#include <QKeyEvent>

ResultGrid::ResultGrid(QWidget* parent) : QTableView(parent), m_model(new ResultsModel(this))
{
    setObjectName(QStringLiteral("Resultgrid"));
    setModel(m_model);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setItemDelegate(new PictureDelegate(this));
    for (QHeaderView* header : {horizontalHeader(), verticalHeader()}) {
        header->setMinimumSectionSize(1);
        header->setHighlightSections(false);
        header->setSectionsClickable(false);
    }
    verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setCornerButtonEnabled(false);
}

int ResultGrid::rowCount() const
{
    return m_model->rowCount();
}

int ResultGrid::columnCount() const
{
    return m_model->columnCount();
}

void ResultGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (!m_painting && current.isValid())
        Q_EMIT cellEntered(current.column() + 1, current.row() + 1);
}

void ResultGrid::keyPressEvent(QKeyEvent* event)
{
    if (!event->matches(QKeySequence::Copy))
        return QTableView::keyPressEvent(event);
    if (currentIndex().isValid())
        Q_EMIT copyRequested(currentIndex().column() + 1, currentIndex().row() + 1);
}

void ResultGrid::makeCurrent(const QModelIndex& cell)
{
    if (!cell.isValid())
        return;
    const bool scrolls = hasAutoScroll();
    setAutoScroll(false);
    m_painting = true;
    selectionModel()->setCurrentIndex(cell, QItemSelectionModel::NoUpdate);
    m_painting = false;
    setAutoScroll(scrolls);
}

void ResultGrid::paint(int column, int row)
{
    m_model->show(column, row);
    makeCurrent(m_model->flush());
}

void ResultGrid::mark(int column, int row)
{
    m_model->show(column, row);
}

void ResultGrid::flush()
{
    makeCurrent(m_model->flush());
}

int ResultGrid::shownStatus(int column, int row) const
{
    const QVariant status = m_model->index(row - 1, column - 1).data(ResultsModel::StatusRole);
    return status.isValid() ? status.toInt() : -1;
}

QString ResultGrid::heading(int column) const
{
    return m_model->headerData(column - 1, Qt::Horizontal, Qt::DisplayRole).toString();
}

QString ResultGrid::rowHeading(int row) const
{
    return m_model->headerData(row - 1, Qt::Vertical, Qt::DisplayRole).toString();
}

std::vector<double> ResultGrid::nameWidths(double dotsPerInch) const
{
    std::vector<double> widths;
    for (int r = 1; r <= rowCount(); ++r)
        widths.push_back(Units::toTwips(fontMetrics().horizontalAdvance(rowHeading(r)), dotsPerInch));
    return widths;
}

void ResultGrid::applyLayout(const std::vector<int>& columnWidths, double rowHeight, double dotsPerInch)
{
    const int rowPixels = Units::toPixels(rowHeight, dotsPerInch);
    verticalHeader()->setDefaultSectionSize(rowPixels);
    horizontalHeader()->setFixedHeight(rowPixels);
    for (int c = 1; c < int(columnWidths.size()); ++c)
        setColumnWidth(c - 1, Units::toPixels(columnWidths[size_t(c)], dotsPerInch));
    verticalHeader()->setFixedWidth(Units::toPixels(columnWidths[0], dotsPerInch));
}
