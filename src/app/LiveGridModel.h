#pragma once

#include "PollCursor.h"
#include "Reading.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QTimer>
#include <chrono>

// The main window's grid of latest readings, one row per meter in
// ascending address order. Its current row is the poll cursor.
//
// The model takes each reading and each move of the cursor at once, but its
// views learn of them at most once a frame: every cell changed since the
// last frame once, and the cursor where it stands then. A reply a few
// milliseconds costs no repaint of its own, and the grid changes at a pace
// a person can read.
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
    static constexpr std::chrono::milliseconds FrameInterval{100};

    // Each column's width in twips, in column order.
    static QList<int> widthsTwips();

    explicit LiveGridModel(QObject* parent = nullptr);

    // Takes the meters' latest readings; the cursor goes to the first row.
    // Views learn of it at once.
    void load(QList<Reading> readings);

    // Takes one meter's newly stored reading, without moving the cursor;
    // its changed cells are shown with the next frame.
    bool updateMeter(const Reading& reading);
    // A meter's row as it stands, every value it has; null when not listed.
    const Reading* meterReading(int address) const;

    // A meter that does not answer is drawn muted, `text` saying since
    // when; an empty text draws it as usual again. Kept across reloads.
    void setNoReplyText(int address, const QString& text);
    QString noReplyText(int address) const { return m_noReply.value(address); }

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
    // The cursor's row, once a frame when it moved, and at every load.
    void currentRowChanged(int row);
    // A frame's changed cells have all been told.
    void frameShown();

private:
    void markChanged(int row, quint16 columns);
    void markCursorMoved();
    void startFrame();
    void showFrame();

    QList<Reading> m_rows;
    QHash<int, int> m_rowOfAddress;
    QHash<int, QString> m_noReply;
    int m_current = -1;
    // The columns changed since the last frame, a bit each, by row.
    QList<quint16> m_changed;
    bool m_cursorMoved = false;
    QTimer m_frame;
};
