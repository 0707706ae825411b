#include "LatestReadings.h"
#include "LiveGridModel.h"
#include "MeterCursor.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

Reading reading(int address, const char* flow, int second, int line = 1) {
    Reading r;
    r.line = line;
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
    LatestReadings readings;
    MeterCursor cursorOfLine1;
    LiveGridModel grid(readings, cursorOfLine1);
    readings.load({reading(1, "", 0), reading(2, "1.00", 0), reading(3, "", 0)});
    cursorOfLine1.setAddresses({1, 2, 3});
    // With no view yet, no frame runs and nothing is lost: the first view hears it.
    readings.update(reading(1, "", 1));
    cursorOfLine1.moveToNext();
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
    readings.update(reading(2, "2.00", 1));
    readings.update(reading(2, "3.00", 2));
    readings.update(reading(2, "3.00", 3));
    nextFrame({"0:9-9", "1:1-1", "1:9-9"}, 1);
    // Neighbouring cells in one notice, two meters.
    Reading unit = reading(3, "5.00", 4);
    unit.flowRateUnit = QStringLiteral("l/s");
    readings.update(unit);
    readings.update(reading(1, "", 4));
    nextFrame({"0:9-9", "2:1-2", "2:9-9"});
    // The same values at the same second, and a meter not listed.
    readings.update(reading(1, "", 4));
    EXPECT_FALSE(readings.update(reading(9, "1.00", 5)));
    nextFrame({});
    // A meter falls silent: its whole row.
    readings.setNoReplyText(1, 2, QStringLiteral("No reply since 10:00"));
    nextFrame({"1:0-9"});
    // Four polls and a click.
    for (int poll = 0; poll < 4; ++poll)
        cursorOfLine1.moveToNext();
    grid.setCurrentRow(2);
    nextFrame({}, 2);

    // The silent row is muted, says since when and still shows its reading.
    EXPECT_EQ(grid.index(1, 3).data(Qt::ToolTipRole), "No reply since 10:00");
    EXPECT_TRUE(grid.index(1, 3).data(Qt::ForegroundRole).isValid());
    EXPECT_FALSE(grid.index(0, 3).data(Qt::ForegroundRole).isValid());
    // The model itself has every reading at once.
    readings.update(reading(2, "7.00", 6));
    EXPECT_EQ(grid.index(1, 1).data().toString(), QStringLiteral("7.00"));
    EXPECT_EQ(grid.index(1, 9).data().toString(), QStringLiteral("2026-01-01 10:00:06"));
    readings.setNoReplyText(1, 2, {});
    EXPECT_FALSE(grid.index(1, 3).data(Qt::ForegroundRole).isValid());
    EXPECT_FALSE(grid.index(1, 3).data(Qt::ToolTipRole).isValid());
    QTest::qWait(int(LiveGridModel::FrameInterval.count()) * 2);
    changed.clear();
    frames.clear();

    // A reload drops what waited for a frame; the cursor is told at once.
    readings.update(reading(3, "8.00", 7));
    cursorOfLine1.moveToNext();
    readings.load({reading(1, "", 0)});
    EXPECT_FALSE(readings.update(reading(3, "9.00", 1))); // no longer listed
    EXPECT_EQ(cursor.count(), 1);
    cursor.clear();
    nextFrame({});
}

} // namespace

// Each line's cursor walks that line's meters and wraps to its first; a
// click on another line's row leaves it where it is.
TEST(MeterCursor, WalksItsOwnLine) {
    LatestReadings readings;
    MeterCursor one, two, three;
    readings.load({reading(1, "", 0), reading(5, "", 0), reading(5, "1.00", 0, 2),
                   reading(6, "", 0, 2), reading(7, "", 0, 2)});
    one.setAddresses({1, 5});
    two.setAddresses({5, 6, 7});
    EXPECT_EQ(three.currentAddress(), std::nullopt);
    QList<int> asked;
    for (int poll = 0; poll < 4; ++poll) {
        asked << *one.currentAddress() << *two.currentAddress();
        one.moveToNext();
        two.moveToNext();
    }
    EXPECT_EQ(asked, QList<int>({1, 5, 5, 6, 1, 7, 5, 5}));
    LiveGridModel gridOfTwo(readings, two, 2);
    gridOfTwo.setCurrentRow(0); // line 1's meter 1
    two.moveTo(1);              // not listed on line 2
    EXPECT_EQ(two.currentAddress(), 6);
    gridOfTwo.setCurrentRow(4);
    EXPECT_EQ(two.currentAddress(), 7);
    // The view echoing the row it was told never takes a cursor back that
    // has moved on meanwhile on its line's thread.
    two.blockSignals(true);
    two.moveToNext();
    two.blockSignals(false);
    gridOfTwo.setCurrentRow(4);
    EXPECT_EQ(two.currentAddress(), 5);
    EXPECT_EQ(readings.find(2, 5), &readings.at(2));
    EXPECT_FALSE(readings.update(reading(1, "", 0, 2)));

    // The grid names the line in a first column once there are two.
    LiveGridModel grid(readings, one);
    grid.setLineNames({{1, "Pump house"}, {2, "Stage two"}});
    EXPECT_EQ(grid.columnCount(), LiveGridModel::ColumnCount + 1);
    EXPECT_EQ(grid.headerData(0, Qt::Horizontal), "Line");
    EXPECT_EQ(grid.headerData(grid.statusColumn(), Qt::Horizontal), "Alarm Status");
    EXPECT_EQ(QStringList({grid.index(2, 0).data().toString(), grid.index(2, 1).data().toString(),
                           grid.index(2, 2).data().toString()}),
              QStringList({"Stage two", "5", "1.00"}));
    grid.setLineNames({{1, "Pump house"}});
    EXPECT_EQ(grid.index(2, 0).data(), "5");
}
