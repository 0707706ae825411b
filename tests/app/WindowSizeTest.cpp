#include "BasicParameterWindow.h"
#include "ColumnFit.h"
#include "HistoryWindow.h"
#include "LiveGridModel.h"
#include "LoginWindow.h"
#include "ParameterWindow.h"
#include "PortsDialog.h"
#include "ReplyFrames.h"
#include "ToolTest.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QSignalSpy>
#include <QTableView>

// Runs on a 1366x768 screen (laptop-screen.json).
namespace {

TEST(ColumnFit, CaptionsAndValuesStayWholeTheElasticColumnGivesWay) {
    using C = ColumnFit::Column;
    const std::tuple<const char*, QList<C>, int, QList<int>> cases[] = {
        {"caption, value or width, the widest wins",
         {{50, 0, 0}, {40, 0, 60}, {30, 90, 70}},
         300,
         {50, 60, 90}},
        {"elastic takes what is left", {{50, 0, 0}, {60, 0, 1000}, {40, 0, 0}}, 300, {50, 210, 40}},
        {"elastic never grows past its width", {{50, 0, 0}, {60, 0, 100}}, 300, {50, 100}},
        {"elastic keeps its caption whole",
         {{200, 0, 0}, {60, 500, 1000}, {80, 0, 0}},
         300,
         {200, 60, 80}},
        {"a long number shrinks the elastic", {{50, 130, 50}, {60, 0, 250}}, 300, {130, 170}},
    };
    for (const auto& [name, columns, room, widths] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ColumnFit::widths(columns, 1, room), widths);
    }
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

// Every caption of a window, labels, buttons, frames and grid headers,
// is whole at the window's size: none is narrower than its text.
void expectCaptionsWhole(QWidget* window) {
    SCOPED_TRACE(window->windowTitle().toStdString());
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_LE(window->frameGeometry().width(), screen.width());
    EXPECT_LE(window->frameGeometry().height(), screen.height());
    for (QLabel* label : window->findChildren<QLabel*>()) {
        // Word-wrapped texts and the status line's notices may wrap or be cut.
        if (!label->isVisibleTo(window) || label->wordWrap() || label->text().isEmpty() ||
            label->sizePolicy().horizontalPolicy() == QSizePolicy::Ignored)
            continue;
        EXPECT_GE(label->width(), label->minimumSizeHint().width()) << label->text().toStdString();
    }
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        if (button->isVisibleTo(window) && !button->text().isEmpty()) {
            EXPECT_GE(button->width(), button->sizeHint().width()) << button->text().toStdString();
        }
    }
    for (QGroupBox* frame : window->findChildren<QGroupBox*>()) {
        if (frame->isVisibleTo(window)) {
            EXPECT_GE(frame->width(), frame->minimumSizeHint().width())
                << frame->title().toStdString();
        }
    }
    for (QTableView* grid : window->findChildren<QTableView*>()) {
        const QHeaderView* header = grid->horizontalHeader();
        for (int column = 0; grid->isVisibleTo(window) && column < header->count(); ++column) {
            if (!header->isSectionHidden(column)) {
                EXPECT_GE(header->sectionSize(column), header->sectionSizeHint(column))
                    << grid->model()->headerData(column, Qt::Horizontal).toString().toStdString();
            }
        }
    }
}

class WindowSizeTest : public ToolTest {};

TEST_F(WindowSizeTest, MainWindowFitsALaptopAndCutsNoNumber) {
    start({1, 2, 3});
    QTableView* grid = window->liveGridView();
    const QHeaderView* header = grid->horizontalHeader();
    EXPECT_LE(window->width(), 1280);
    expectCaptionsWhole(window.get());
    // The opening size shows every column, none scrolled away.
    EXPECT_LE(header->length(), grid->viewport()->width());

    const LiveGridModel& model = station().liveGrid();
    // The grid learns of a reading with its next frame.
    QSignalSpy frame(&model, &LiveGridModel::frameShown);
    port->deliver(widestReading(2));
    ASSERT_TRUE(frame.wait(1000));
    ASSERT_EQ(model.index(1, 3).data().toString(), QStringLiteral("4294967295.25"));
    const QAbstractItemView* view = grid;
    for (int column = 0; column < LiveGridModel::ColumnCount; ++column) {
        SCOPED_TRACE(column);
        EXPECT_EQ(header->sectionResizeMode(column), QHeaderView::Interactive);
        EXPECT_GE(header->sectionSize(column), header->sectionSizeHint(column));
        if (column != LiveGridModel::StatusColumn) {
            EXPECT_GE(header->sectionSize(column), view->sizeHintForColumn(column));
        }
    }
    // The alarm texts gave way and show whole in their tooltip.
    const QModelIndex status = model.index(1, LiveGridModel::StatusColumn);
    EXPECT_TRUE(status.data().toString().endsWith(QStringLiteral("Exceed Lower Limit")));
    EXPECT_EQ(status.data(Qt::ToolTipRole), status.data());
    EXPECT_FALSE(model.index(0, LiveGridModel::StatusColumn).data(Qt::ToolTipRole).isValid());
    EXPECT_LE(header->length(), grid->viewport()->width());
    EXPECT_LE(window->width(), 1280);

    // A width the operator chose stays while no value outgrows it.
    grid->setColumnWidth(LiveGridModel::StatusColumn, 600);
    port->deliver(widestReading(1));
    ASSERT_TRUE(frame.wait(1000));
    EXPECT_EQ(header->sectionSize(LiveGridModel::StatusColumn), 600);

    // A total column dragged narrower than its numbers is widened again with
    // the next frame, though only the time changed.
    grid->setColumnWidth(3, 20);
    QTest::qWait(1100);
    port->deliver(widestReading(1));
    ASSERT_TRUE(frame.wait(1000));
    EXPECT_GE(header->sectionSize(3), view->sizeHintForColumn(3));
}

TEST_F(WindowSizeTest, EveryWindowShowsEveryCaptionWholeAtItsOpeningSize) {
    start({1, 2});
    window->communicationSetup();
    expectCaptionsWhole(setup());
    PortsDialog* ports = setup()->showPorts();
    expectCaptionsWhole(ports);
    ports->close();

    // A stored snapshot of the widest values the history shows whole.
    ASSERT_TRUE(folder->exec(QStringLiteral(
        "insert into Historydata values ('255','-99999.99','m3/h','4294967295.25',"
        "'4294967295.75','m3','Communication OK,Excitation Alarm','-12345.67','-99999.99',"
        "'100000000.00','2026-01-02 03:04:05')")));
    window->history();
    HistoryWindow* history = window->loadedHistoryWindow();
    expectCaptionsWhole(history);
    int rows = 0;
    for (QTableView* grid : history->findChildren<QTableView*>()) {
        const QAbstractItemView* view = grid;
        rows += grid->model()->rowCount();
        for (int column = 0; column < grid->model()->columnCount(); ++column)
            EXPECT_GE(grid->columnWidth(column), view->sizeHintForColumn(column)) << column;
    }
    EXPECT_EQ(rows, 1);

    for (const char* code : {"7241", "4626"}) {
        window->meterParameterSetup();
        expectCaptionsWhole(window->loadedLoginWindow());
        window->loadedLoginWindow()->codeBox()->setText(QString::fromLatin1(code));
        window->loadedLoginWindow()->ok();
    }
    expectCaptionsWhole(window->loadedParameterWindow());
    expectCaptionsWhole(window->loadedBasicParameterWindow());
}

} // namespace
