#pragma once

#include "HistoryRows.h"

#include <QAbstractTableModel>
#include <QCache>
#include <QStringList>
#include <optional>

// A history grid's rows, read from the store a page at a time as the view
// scrolls, so a search over millions of rows shows its first rows at once.
// Only the pages near what the view shows are held, and no read stays open
// on the store between pages. Captions go by column position and survive
// every new binding; every column is read-only.
class HistoryGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int PageRows = 256;
    static constexpr int HeldPages = 16;

    explicit HistoryGridModel(QStringList captions, QObject* parent = nullptr);

    // Shows these rows, from the first page on.
    void show(HistoryRows rows);
    // The position of a column of the table, -1 when it has none so named.
    int columnOf(const QString& name) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    using Rows = QList<QVariantList>;
    // Page `page`, read again if it was let go; nullptr when out of reach.
    const Rows* page(int page) const;
    // The page after those read so far; no rows at the end.
    Rows readNextPage();
    // Holds a page just read and counts its rows in.
    void hold(Rows rows);

    QStringList m_captions;
    std::optional<HistoryRows> m_rows;
    QStringList m_columns;
    // The key of the row before each page read so far, and one past them.
    QList<std::optional<HistoryRows::Key>> m_pageStarts;
    int m_rowCount = 0;
    bool m_atEnd = true;
    mutable QCache<int, Rows> m_held{HeldPages};
};
