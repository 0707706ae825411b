#include "ColumnFit.h"
#include "LiveGridModel.h"
#include "ReplyFrames.h"
#include "ToolTest.h"

#include <QHeaderView>
#include <QSignalSpy>
#include <QTableView>

// Runs on a 1366x768 screen (laptop-screen.json).
namespace {

TEST(ColumnFit, CaptionsAndValuesStayWholeTheElasticColumnGivesWay) {
    using C = ColumnFit::Column;
    const std::tuple<const char*, QList<C>, int, QList<int>> cases[] = {
        {"the widest wins", {{50, 0, 0}, {40, 0, 60}, {30, 90, 70}}, 300, {50, 60, 90}},
        {"elastic takes the rest", {{50, 0, 0}, {60, 0, 1000}, {40, 0, 0}}, 300, {50, 210, 40}},
        {"elastic up to its width", {{50, 0, 0}, {60, 0, 100}}, 300, {50, 100}},
        {"caption whole", {{200, 0, 0}, {60, 500, 1000}, {80, 0, 0}}, 300, {200, 60, 80}},
        {"a long number shrinks it", {{50, 130, 50}, {60, 0, 250}}, 300, {130, 170}},
    };
    for (const auto& [name, columns, room, widths] : cases)
        EXPECT_EQ(ColumnFit::widths(columns, 1, room), widths) << name;
}

// The widest values a meter can send, and every alarm at once.
QByteArray widestReading(int address) {
    return replyFrame(48,
                      {{0, f32(-99999.99f) + u16(7) + u32(4294967295u) + f32(0.25f) + u16(6) +
                               u32(4294967295u) + f32(0.75f)},
                       {26, u16(1) + u16(1) + u16(1) + u16(1) + u16(1)},
                       {36, f32(-12345.67f) + f32(-99999.99f) + f32(99999999.0f)}},
                      address);
}

using WindowSizeTest = ToolTest;

TEST_F(WindowSizeTest, MainWindowFitsALaptopAndCutsNoNumber) {
    start({1, 2, 3});
    QTableView* grid = window->liveGridView();
    const QAbstractItemView* view = grid; // its size hints are public
    const QHeaderView* header = grid->horizontalHeader();
    const LiveGridModel& model = window->liveGrid();
    QSignalSpy frame(&model, &LiveGridModel::frameShown);
    port->deliver(widestReading(2));
    ASSERT_TRUE(frame.wait(1000));
    for (int column = 0; column < LiveGridModel::ColumnCount; ++column) {
        if (column != LiveGridModel::StatusColumn) {
            EXPECT_GE(header->sectionSize(column), view->sizeHintForColumn(column)) << column;
        }
    }
    // The alarm texts gave way and show whole in their tooltip.
    const QModelIndex status = model.index(1, LiveGridModel::StatusColumn);
    EXPECT_EQ(status.data(Qt::ToolTipRole), status.data());
    EXPECT_FALSE(model.index(0, LiveGridModel::StatusColumn).data(Qt::ToolTipRole).isValid());
    EXPECT_LE(header->length(), grid->viewport()->width());
    EXPECT_LE(window->width(), 1280);

    // A width the operator chose stays while no value outgrows it.
    grid->setColumnWidth(LiveGridModel::StatusColumn, 600);
    port->deliver(widestReading(1));
    ASSERT_TRUE(frame.wait(1000));
    EXPECT_EQ(header->sectionSize(LiveGridModel::StatusColumn), 600);
}

} // namespace
