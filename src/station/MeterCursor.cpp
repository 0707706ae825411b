#include "MeterCursor.h"

#include "LatestReadings.h"

MeterCursor::MeterCursor(const LatestReadings& readings, int line, QObject* parent)
    : QObject(parent), m_readings(readings), m_line(line) {
    connect(&readings, &LatestReadings::loaded, this, &MeterCursor::reset);
    reset();
}

bool MeterCursor::onLine(int row) const {
    return row >= 0 && row < m_readings.count() && m_readings.at(row).line == m_line;
}

void MeterCursor::reset() {
    m_row = -1;
    for (int row = 0; row < m_readings.count() && m_row < 0; ++row)
        if (onLine(row))
            m_row = row;
    emit moved(m_row);
}

void MeterCursor::setRow(int row) {
    if (!onLine(row) || row == m_row)
        return;
    m_row = row;
    emit moved(m_row);
}

std::optional<int> MeterCursor::currentAddress() const {
    if (!onLine(m_row))
        return std::nullopt;
    return m_readings.at(m_row).address;
}

void MeterCursor::moveToNext() {
    if (m_row < 0)
        return;
    // A line's rows stand together; past its last, back to its first.
    int next = m_row + 1;
    if (!onLine(next)) {
        next = m_row;
        while (onLine(next - 1))
            --next;
    }
    m_row = next;
    emit moved(m_row);
}
