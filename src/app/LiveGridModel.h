#pragma once

#include "Reading.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QTimer>
#include <chrono>

class LatestReadings;
class MeterCursor;

// The main window's grid: the station's latest readings, one row per meter
// in their order, its current row the poll cursor. It holds no reading of
// its own.
//
// Its views learn of readings and of the cursor's moves at most once a
// frame: every cell changed since the last frame once, and the cursor where
// it stands then. A reply a few milliseconds costs no repaint of its own,
// and the grid changes at a pace a person can read.
class LiveGridModel : public QAbstractTableModel {
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

    // A reload of the readings is shown at once, the cursor with it; a
    // silent meter is drawn muted, saying since when. `cursor` is the poll
    // cursor of line `line`, which may live on that line's thread: the grid
    // follows it by its signal and moves it by a queued call.
    LiveGridModel(const LatestReadings& readings, MeterCursor& cursor, int line = 1,
                  QObject* parent = nullptr);

    // A click: the poll cursor goes to that row's meter, when on its line.
    void setCurrentRow(int row);

    // With more than one line a first column, "Line", names each row's
    // line, and the columns above stand one further right; with one line
    // the grid is as it always was.
    void setLineNames(QHash<int, QString> names);
    int statusColumn() const { return StatusColumn + m_lead; }
    int timeColumn() const { return TimeColumn + m_lead; }
    int shownColumns() const { return ColumnCount + m_lead; }

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
    void readingUpdated(int row, const Reading& before);
    QString text(const Reading& reading, int column) const;
    void markChanged(int row, quint16 columns);
    void markCursorMoved();
    void startFrame();
    void showFrame();

    const LatestReadings& m_readings;
    // The cursor's row now: the row of its line's meter it last said.
    int cursorRow() const;

    MeterCursor& m_cursor;
    int m_line;
    int m_cursorAddress = -1;
    QHash<int, QString> m_lineNames;
    int m_lead = 0; // 1 with the "Line" column
    // The columns changed since the last frame, a bit each, by row.
    QList<quint16> m_changed;
    bool m_cursorMoved = false;
    QTimer m_frame;
};
