#include "gui/results/ResultGrid.h"

#include "check/RunPlan.h"
#include "core/Units.h"
#include "dns/CheckResults.h"
#include "gui/results/CellPictures.h"

#include <QHeaderView>

namespace {
constexpr int StatusRole = Qt::UserRole + 1;
}

ResultGrid::ResultGrid(QWidget* parent)
    : QTableWidget(parent), unknown(CellPictures::unknown()), taken(CellPictures::taken()), free(CellPictures::free())
{
    setObjectName(QStringLiteral("Resultgrid"));
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
    connect(this, &QTableWidget::currentCellChanged, this, [this](int row, int column) {
        if (!m_painting && row >= 0 && column >= 0)
            Q_EMIT cellEntered(column + 1, row + 1);
    });
}

void ResultGrid::fill(const RunPlan& plan)
{
    clear();
    setRowCount(0);
    setColumnCount(plan.columns());
    setRowCount(plan.rows());
    for (int c = 1; c <= plan.columns(); ++c) {
        auto* heading = new QTableWidgetItem(plan.heading(c));
        heading->setTextAlignment(plan.centredHeadings ? Qt::AlignCenter : (Qt::AlignLeft | Qt::AlignVCenter));
        setHorizontalHeaderItem(c - 1, heading);
    }
    for (int r = 1; r <= plan.rows(); ++r) {
        setVerticalHeaderItem(r - 1, new QTableWidgetItem(plan.rowHeading(r)));
        for (int c = 1; c <= plan.columns(); ++c) {
            auto* cell = new QTableWidgetItem;
            cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            setItem(r - 1, c - 1, cell);
        }
    }
}

void ResultGrid::paint(int column, int row, quint8 status)
{
    QTableWidgetItem* cell = item(row - 1, column - 1);
    if (!cell)
        return;
    const bool scrolls = hasAutoScroll();
    setAutoScroll(false);
    m_painting = true;
    setCurrentCell(row - 1, column - 1, QItemSelectionModel::NoUpdate);
    m_painting = false;
    setAutoScroll(scrolls);
    picture(cell, status);
}

void ResultGrid::picture(QTableWidgetItem* cell, quint8 status)
{
    cell->setData(Qt::DecorationRole, status == Taken ? taken : status == Free ? free : unknown);
    cell->setData(StatusRole, int(status));
}

void ResultGrid::mark(int column, int row, quint8 status)
{
    m_marked.append({column, row, status});
}

void ResultGrid::flush()
{
    if (m_marked.isEmpty())
        return;
    const auto [column, row, status] = m_marked.takeLast();
    for (const auto& [c, r, s] : std::as_const(m_marked)) {
        if (QTableWidgetItem* cell = item(r - 1, c - 1))
            picture(cell, s);
    }
    m_marked.clear();
    paint(column, row, status);
}

int ResultGrid::shownStatus(int column, int row) const
{
    const QTableWidgetItem* cell = item(row - 1, column - 1);
    return cell && cell->data(StatusRole).isValid() ? cell->data(StatusRole).toInt() : -1;
}

std::vector<double> ResultGrid::nameWidths(double dotsPerInch) const
{
    std::vector<double> widths;
    for (int r = 0; r < rowCount(); ++r)
        widths.push_back(Units::toTwips(fontMetrics().horizontalAdvance(verticalHeaderItem(r)->text()), dotsPerInch));
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
