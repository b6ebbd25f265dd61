#include "gui/watch/WatchedModel.h"

#include "check/WatchText.h"

#include <QFont>

WatchedModel::WatchedModel(QObject* parent) : QAbstractTableModel(parent) {}

void WatchedModel::setEntries(const QList<WatchEntry>& entries, const QDate& today, const QSet<QString>& marked)
{
    beginResetModel();
    m_entries = entries;
    m_marked = marked;
    m_rows.clear();
    for (const WatchEntry& entry : entries)
        m_rows.append(WatchText::row(entry, today));
    endResetModel();
}

int WatchedModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int WatchedModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(WatchText::headings().size());
}

QVariant WatchedModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return m_rows.at(index.row()).value(index.column());
    if (role == Qt::FontRole && m_marked.contains(m_entries.at(index.row()).ascii)) {
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    return {};
}

QVariant WatchedModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return WatchText::headings().value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}
