#pragma once

#include "core/WatchList.h"

#include <QAbstractTableModel>
#include <QSet>

// The watch list as the window's table shows it: one row per name, the columns of WatchText, marked names bold.
class WatchedModel final : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit WatchedModel(QObject* parent = nullptr);

    void setEntries(const QList<WatchEntry>& entries, const QDate& today, const QSet<QString>& marked);
    const WatchEntry& entry(int row) const { return m_entries.at(row); }
    const QStringList& rowTexts(int row) const { return m_rows.at(row); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QList<WatchEntry> m_entries;
    QList<QStringList> m_rows;
    QSet<QString> m_marked;
};
