#include "RollupFolder.h"

#include <limits>

RollupFolder::RollupFolder(QSqlDatabase db) : m_table(std::move(db)) {}

bool RollupFolder::restore(RollupTable& table, qint64 through,
                           std::map<std::pair<int, int>, RollupBuilder>& builders,
                           std::optional<std::pair<int, int>> meter) {
    builders.clear();
    QList<RollupHour> latest;
    if (meter) {
        if (const auto hour = table.latestHour(meter->first, meter->second))
            latest << *hour;
    } else
        latest = table.latestHours();
    if (!table.error().isEmpty())
        return false;
    std::map<std::pair<int, int>, std::pair<qint64, qint64>> from;
    qint64 earliest = std::numeric_limits<qint64>::max();
    for (const RollupHour& hour : latest) {
        from[{hour.line, hour.address}] = {hour.forwardFrom, hour.reverseFrom};
        builders.try_emplace({hour.line, hour.address}, hour.line, hour.address);
        earliest = std::min({earliest, hour.forwardFrom, hour.reverseFrom});
    }
    if (latest.isEmpty())
        return true;
    RollupFeed feed;
    return table.scan(
        earliest - 1, through, std::numeric_limits<qint64>::max(),
        [&](const HistoryRow& row) {
            const auto it = from.find({row.line, row.address});
            if (it == from.end())
                return;
            const qint64 start = std::min(it->second.first, it->second.second);
            if (row.row < start)
                return;
            builders.at(it->first).replay(feed.snapshot(row), it->second.first, it->second.second);
        },
        meter);
}

RollupFolder::Progress RollupFolder::fold(qint64 limit) {
    Progress progress;
    const auto fail = [&] {
        progress.error = m_table.error();
        m_table.rollback();
        m_restored = false; // what was folded in memory was not committed
        return progress;
    };
    // The rows up to `last` stay as they are while this runs: snapshots are
    // appended after them, and pruning takes only rows folded already. So
    // they are read outside the write, which holds the store only while
    // the hours are written and other writers (the reading road) wait
    // that long alone.
    const auto through = m_table.through();
    const auto last = m_table.lastHistoryRow();
    if (!through || !last)
        return fail();
    progress.through = *through;
    progress.last = *last;
    if (!m_restored) {
        if (!restore(m_table, *through, m_builders))
            return fail();
        m_restored = true;
    }
    qint64 reached = *through;
    const bool scanned = m_table.scan(*through, *last, limit, [&](const HistoryRow& row) {
        auto it = m_builders.find({row.line, row.address});
        if (it == m_builders.end())
            it = m_builders.try_emplace({row.line, row.address}, row.line, row.address).first;
        it->second.push(m_feed.snapshot(row));
        reached = row.row;
        ++progress.folded;
    });
    if (!scanned)
        return fail();
    if (!m_table.begin())
        return fail();
    for (auto& [meter, builder] : m_builders)
        if (!m_table.add(builder.take()))
            return fail();
    if (reached != *through && !m_table.setThrough(reached))
        return fail();
    if (!m_table.commit())
        return fail();
    progress.through = reached;
    return progress;
}
