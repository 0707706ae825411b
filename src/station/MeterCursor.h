#pragma once

#include "PollCursor.h"

#include <QObject>

class LatestReadings;

// The meter a line asks next: a row of the latest readings, walking that
// line's rows in order and wrapping. A reload puts it on the line's first
// meter.
class MeterCursor : public QObject, public PollCursor {
    Q_OBJECT
public:
    MeterCursor(const LatestReadings& readings, int line, QObject* parent = nullptr);

    // The row of the latest readings it stands on; -1 with no meter.
    int row() const { return m_row; }
    // Puts it on a row of its line (a click in the grid); others are ignored.
    void setRow(int row);

    std::optional<int> currentAddress() const override;
    void moveToNext() override;

signals:
    void moved(int row);

private:
    void reset();
    bool onLine(int row) const;

    const LatestReadings& m_readings;
    int m_line;
    int m_row = -1;
};
