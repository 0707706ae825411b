#include "LiveGridModel.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

Reading reading(int address, const char* flow, int second) {
    Reading r;
    r.address = address;
    r.flowRate = QString::fromLatin1(flow);
    r.flowRateUnit = QStringLiteral("m3/h");
    r.time = QDateTime(QDate(2026, 1, 1), QTime(10, 0, second));
    return r;
}

// Each notice as "row:first-last".
QStringList notices(const QSignalSpy& spy) {
    QStringList list;
    for (const QList<QVariant>& notice : spy) {
        const auto first = notice.at(0).value<QModelIndex>(),
                   last = notice.at(1).value<QModelIndex>();
        list << QStringLiteral("%1:%2-%3").arg(first.row()).arg(first.column()).arg(last.column());
    }
    return list;
}

TEST(LiveGridModel, ViewsLearnOfReadingsAndTheCursorOnceAFrame) {
    LiveGridModel grid;
    grid.load({reading(1, "", 0), reading(2, "1.00", 0), reading(3, "", 0)});
    // With no view yet, no frame runs and nothing is lost: the first view hears it.
    grid.updateMeter(reading(1, "", 1));
    grid.moveToNext();
    QTest::qWait(int(LiveGridModel::FrameInterval.count()) * 2);
    QSignalSpy changed(&grid, &QAbstractItemModel::dataChanged);
    QSignalSpy cursor(&grid, &LiveGridModel::currentRowChanged);
    QSignalSpy frames(&grid, &LiveGridModel::frameShown);
    // Nothing before the frame, then each changed cell once and where the cursor ends.
    const auto nextFrame = [&](const QStringList& cells, std::optional<int> cursorRow = {}) {
        EXPECT_EQ(changed.count() + cursor.count() + frames.count(), 0);
        QTest::qWait(int(LiveGridModel::FrameInterval.count()) * 2);
        EXPECT_EQ(notices(changed), cells);
        EXPECT_EQ(frames.count(), cells.isEmpty() ? 0 : 1);
        EXPECT_EQ(cursor.count(), cursorRow ? 1 : 0);
        EXPECT_EQ(cursor.value(0).value(0).toInt(), cursorRow.value_or(0));
        changed.clear();
        cursor.clear();
        frames.clear();
    };
    // Three readings of one meter, two cells changed.
    grid.updateMeter(reading(2, "2.00", 1));
    grid.updateMeter(reading(2, "3.00", 2));
    grid.updateMeter(reading(2, "3.00", 3));
    nextFrame({"0:9-9", "1:1-1", "1:9-9"}, 1);
    // Neighbouring cells in one notice, two meters.
    Reading unit = reading(3, "5.00", 4);
    unit.flowRateUnit = QStringLiteral("l/s");
    grid.updateMeter(unit);
    grid.updateMeter(reading(1, "", 4));
    nextFrame({"0:9-9", "2:1-2", "2:9-9"});
    // The same values at the same second, and a meter not listed.
    grid.updateMeter(reading(1, "", 4));
    EXPECT_FALSE(grid.updateMeter(reading(9, "1.00", 5)));
    nextFrame({});
    // A meter falls silent: its whole row.
    grid.setNoReplyText(2, QStringLiteral("No reply since 10:00"));
    nextFrame({"1:0-9"});
    // Four polls and a click.
    for (int poll = 0; poll < 4; ++poll)
        grid.moveToNext();
    grid.setCurrentRow(2);
    nextFrame({}, 2);

    // The silent row is muted, says since when and still shows its reading.
    EXPECT_EQ(grid.index(1, 3).data(Qt::ToolTipRole), "No reply since 10:00");
    EXPECT_TRUE(grid.index(1, 3).data(Qt::ForegroundRole).isValid());
    EXPECT_FALSE(grid.index(0, 3).data(Qt::ForegroundRole).isValid());
    // The model itself has every reading at once.
    grid.updateMeter(reading(2, "7.00", 6));
    EXPECT_EQ(grid.index(1, 1).data().toString(), QStringLiteral("7.00"));
    EXPECT_EQ(grid.index(1, 9).data().toString(), QStringLiteral("2026-01-01 10:00:06"));
    grid.setNoReplyText(2, {});
    EXPECT_FALSE(grid.index(1, 3).data(Qt::ForegroundRole).isValid());
    EXPECT_FALSE(grid.index(1, 3).data(Qt::ToolTipRole).isValid());
    QTest::qWait(int(LiveGridModel::FrameInterval.count()) * 2);
    changed.clear();
    frames.clear();

    // A reload drops what waited for a frame; the cursor is told at once.
    grid.updateMeter(reading(3, "8.00", 7));
    grid.moveToNext();
    grid.load({reading(1, "", 0)});
    EXPECT_FALSE(grid.updateMeter(reading(3, "9.00", 1))); // no longer listed
    EXPECT_EQ(cursor.count(), 1);
    cursor.clear();
    nextFrame({});
}

} // namespace
