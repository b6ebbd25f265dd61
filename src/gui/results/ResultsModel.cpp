#include "gui/results/ResultsModel.h"

#include "check/Check.h"
#include "gui/results/CellPictures.h"

ResultsModel::ResultsModel(QObject* parent)
    : QAbstractTableModel(parent), m_pictures{CellPictures::unknown(), CellPictures::taken(), CellPictures::free(),
                                              CellPictures::unknown()}
{
}

void ResultsModel::setCheck(const Check* check)
{
    beginResetModel();
    m_check = check;
    m_shown.assign(size_t(rowCount()) * size_t(columnCount()), false);
    m_allShown = false;
    m_last = {};
    m_bottom = m_right = -1;
    endResetModel();
}

int ResultsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_check ? 0 : m_check->CheckResults().rowCount();
}

int ResultsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_check ? 0 : m_check->CheckResults().columnCount();
}

void ResultsModel::show(int column, int row)
{
    const QModelIndex cell = index(row - 1, column - 1);
    if (!cell.isValid())
        return;
    m_shown[size_t(column - 1) * size_t(rowCount()) + size_t(row - 1)] = true;
    if (m_bottom < 0) {
        m_top = m_bottom = cell.row();
        m_left = m_right = cell.column();
    } else {
        m_top = qMin(m_top, cell.row());
        m_bottom = qMax(m_bottom, cell.row());
        m_left = qMin(m_left, cell.column());
        m_right = qMax(m_right, cell.column());
    }
    m_last = cell;
}

void ResultsModel::showAll()
{
    m_allShown = true;
    m_top = m_left = 0;
    m_bottom = rowCount() - 1;
    m_right = columnCount() - 1;
    m_last = index(m_bottom, m_right);
}

QModelIndex ResultsModel::flush()
{
    const QModelIndex last = m_last;
    if (m_bottom >= 0 && m_right >= 0)
        Q_EMIT dataChanged(index(m_top, m_left), index(m_bottom, m_right), {Qt::DecorationRole, StatusRole});
    m_bottom = m_right = -1;
    m_last = {};
    return last;
}

int ResultsModel::statusShown(const QModelIndex& index) const
{
    if (!m_check || !index.isValid())
        return -1;
    if (!m_allShown && !m_shown[size_t(index.column()) * size_t(rowCount()) + size_t(index.row())])
        return -1;
    return m_check->CheckResults()(index.column() + 1, index.row() + 1).status;
}

QVariant ResultsModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DecorationRole && role != StatusRole)
        return {};
    const int status = statusShown(index);
    if (status < 0 || status > NotChecked)
        return {};
    return role == StatusRole ? QVariant(status) : QVariant(m_pictures[status]);
}

QVariant ResultsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (!m_check)
        return {};
    const RunPlan& plan = m_check->plan();
    if (role == Qt::DisplayRole)
        return orientation == Qt::Horizontal ? plan.heading(section + 1) : plan.rowHeading(section + 1);
    if (role == Qt::TextAlignmentRole)
        return int(orientation == Qt::Horizontal && plan.centredHeadings ? Qt::AlignCenter
                                                                         : (Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}
