#include "HistorySnapshots.h"

#include <limits>

qint64 HistorySnapshots::leadingNumber(const QString& text) {
    constexpr qint64 ceiling = std::numeric_limits<qint32>::max();
    qint64 value = 0;
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    for (; i < text.size() && text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9'); ++i)
        value = std::min(ceiling, value * 10 + (text.at(i).unicode() - '0'));
    return value;
}

bool HistorySnapshots::minutePassed(const QString& intervalText) {
    if (m_minutes < CounterLimit)
        ++m_minutes;
    const qint64 interval = leadingNumber(intervalText);
    // A count already past a newly lowered interval snapshots at once;
    // waiting for equality would stop the history for the rest of the run.
    if (interval <= 0 || m_minutes < interval)
        return false;
    m_minutes = 0;
    return true;
}
