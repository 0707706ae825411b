#pragma once

#include "PollCursor.h"
#include "StoredReading.h"

#include <QAbstractTableModel>
#include <QHash>

class RowSet;

// The main window's grid of latest readings, one row per meter in
// ascending address order. Its current row is the poll cursor.
class LiveGridModel : public QAbstractTableModel, public PollCursor {
    Q_OBJECT
public:
    static constexpr int ColumnCount = 10;
    static constexpr int AddressColumn = 0;
    static constexpr int TimeColumn = 9;

    static QString caption(int column);
    static int widthTwips(int column);

    explicit LiveGridModel(QObject* parent = nullptr);

    // Takes the rows of a freshly opened live row set; the cursor goes to
    // the first row. A set that is not open leaves the grid empty.
    void load(const RowSet& rows);

    // Shows one meter's newly stored reading without moving the cursor.
    bool updateMeter(int address, const StoredReading& reading, const QString& time);

    int currentRow() const { return m_current; }
    void setCurrentRow(int row);

    std::optional<int> currentAddress() const override;
    void moveToNext() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    void currentRowChanged(int row);

private:
    QList<QVariantList> m_rows;
    QHash<int, int> m_rowOfAddress;
    int m_current = -1;
};
