#include "LatestReadings.h"

void LatestReadings::load(QList<Reading> readings) {
    emit aboutToLoad();
    m_rows = std::move(readings);
    m_rowOf.clear();
    for (int row = 0; row < m_rows.size(); ++row)
        m_rowOf.insert(key(m_rows[row].line, m_rows[row].address), row);
    emit loaded();
}

bool LatestReadings::update(const Reading& reading) {
    const int row = rowOf(reading.line, reading.address);
    if (row < 0)
        return false;
    const Reading before = m_rows[row];
    m_rows[row].update(reading);
    emit updated(row, before);
    return true;
}

void LatestReadings::setNoReplyText(int line, int address, const QString& text) {
    const quint32 meter = key(line, address);
    if (m_noReply.value(meter) == text)
        return;
    if (text.isEmpty())
        m_noReply.remove(meter);
    else
        m_noReply.insert(meter, text);
    if (const int row = rowOf(line, address); row >= 0)
        emit noReplyChanged(row);
}

QString LatestReadings::noReplyText(int line, int address) const {
    return m_noReply.value(key(line, address));
}

QList<int> LatestReadings::addresses(int line) const {
    QList<int> listed;
    for (const Reading& reading : m_rows)
        if (reading.line == line)
            listed << reading.address;
    return listed;
}

int LatestReadings::rowOf(int line, int address) const {
    return m_rowOf.value(key(line, address), -1);
}

const Reading* LatestReadings::find(int line, int address) const {
    const int row = rowOf(line, address);
    return row < 0 ? nullptr : &m_rows[row];
}
