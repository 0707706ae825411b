#include "LineList.h"

LineList::LineList(QSqlDatabase db) : m_lines(db), m_meters(db) {}

QList<StartingDatabase::Line> LineList::lines() const {
    QList<StartingDatabase::Line> lines;
    for (const StoredLine& line : m_lines.lines())
        lines.append({line, m_meters.addresses(line.number)});
    return lines;
}

std::optional<int> LineList::freeNumber() const {
    QList<int> taken;
    for (const StoredLine& line : m_lines.lines())
        taken << line.number;
    for (int number = 1; number <= StoredLine::MaxLines; ++number)
        if (!taken.contains(number))
            return number;
    return std::nullopt;
}

StoreWrite LineList::store(const StartingDatabase::Line& line) {
    const int number = line.settings.number;
    StoreWrite write = m_lines.storeLine(line.settings);
    const QList<int> listed = m_meters.addresses(number);
    for (int address : listed)
        if (!write.isRefused() && !line.meters.contains(address))
            write = m_meters.deleteMeter(number, address);
    for (int address : line.meters)
        if (!write.isRefused() && !listed.contains(address))
            write = m_meters.addMeter(number, address);
    return write;
}
