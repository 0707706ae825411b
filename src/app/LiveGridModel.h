#pragma once

#include "PollCursor.h"
#include "Reading.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>

// The main window's grid of latest readings, one row per meter in
// ascending address order. Its current row is the poll cursor.
class LiveGridModel : public QAbstractTableModel, public PollCursor {
    Q_OBJECT
public:
    static constexpr int ColumnCount = 10;
    static constexpr int AddressColumn = 0;
    // Alarm texts: the one column that may be too narrow for its values,
    // which then show elided, whole in their tooltip.
    static constexpr int StatusColumn = 5;
    static constexpr int TimeColumn = ColumnCount - 1;
    // A time as the grid shows it, for the room the column needs.
    static QString timeSample();

    // Each column's width in twips, in column order.
    static QList<int> widthsTwips();

    explicit LiveGridModel(QObject* parent = nullptr);

    // Takes the meters' latest readings; the cursor goes to the first row.
    void load(QList<Reading> readings);

    // Shows one meter's newly stored reading without moving the cursor.
    bool updateMeter(const Reading& reading);

    // A meter that does not answer is drawn muted, `text` saying since
    // when; an empty text draws it as usual again. Kept across reloads.
    void setNoReplyText(int address, const QString& text);
    QString noReplyText(int address) const { return m_noReply.value(address); }

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
    QList<Reading> m_rows;
    QHash<int, int> m_rowOfAddress;
    QHash<int, QString> m_noReply;
    int m_current = -1;
};
