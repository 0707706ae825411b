#include "LineHealth.h"
#include "ParameterBlocks.h"
#include "ParameterForm.h"
#include "ParameterTable.h"
#include "ParameterWindow.h"
#include "SimulatedLine.h"
#include "Station.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The whole road an operator takes: the main window, the access code, the
// parameter window's Read (four block reads, the values taken as read on
// the fifth tick), a write and the read-back, on the real port against
// meter-sim.
TEST(LoginOverALine, TheCodeOpensAWindowThatReadsEveryFieldAndWrites) {
    ToolOnLine tool({}, {"--addresses", "1", "--baud", "115200", "--seed", "2"});
    ASSERT_TRUE(tool.load());
    tool.window->show();
    ParameterWindow* window = tool.openParameterWindow();
    ASSERT_TRUE(window);
    ParameterForm& form = window->form();
    const Parameter& parameter = *ParameterTable::byRegister(MeterRegister::Damping);
    window->readButton()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.valueAsRead(parameter).isEmpty(); }, 5000));

    // Every field shows what the meter sent, and that is its value as read.
    const QStringList replies = tool.line.replies();
    ASSERT_EQ(replies.size(), 4);
    QMap<int, QString> sent;
    for (int block = 0; block < 4; ++block) {
        const auto fields = decodeParameterBlock(parameterBlocks[block], replies[block]);
        ASSERT_TRUE(fields) << block;
        for (const FieldText& field : *fields)
            sent[field.reg] = field.text;
    }
    ASSERT_EQ(sent.size(), 43);
    for (const Parameter* shown : form.parameters()) {
        EXPECT_EQ(form.text(*shown), sent.value(shown->reg)) << shown->reg;
        EXPECT_EQ(form.valueAsRead(*shown), sent.value(shown->reg)) << shown->reg;
    }

    form.allowWriteBox(parameter)->click();
    form.setText(parameter, "7");
    form.writeButton(parameter)->click();
    // The read-back's fifth tick takes the meter's new value as read.
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.valueAsRead(parameter) == "7"; }, 5000));
    EXPECT_EQ(window->statusText(), "");
    EXPECT_EQ(tool.folder.rows("select quanxian,bianma,xiangmu,dudao,xieru from caozuo"),
              QStringList{"2|RX71000001|Damping|3|7"});
    // On the line: the four block reads, the write, the four again.
    const QStringList blockReads{"0103001800164403", "0103002E0019E409", "01030047001E75D7",
                                 "0103006500019415"};
    EXPECT_EQ(tool.line.requests(), blockReads + QStringList{"01060026000729C3"} + blockReads);
}

// With two lines, a parameter window on a meter of line 2 stops line 2
// alone: line 1 goes on storing while the window reads, and line 2 polls
// again once the window is closed.
TEST(LoginOverALine, AWindowOnLineTwoLeavesLineOneReading) {
    StartingDatabase::Options options;
    options.lines = {fastLine(1, {1}), fastLine(2, {1, 3})};
    const QStringList fast{"--baud", "115200"};
    ToolOnLine tool(options, fast + QStringList{"--addresses", "1"});
    QTemporaryDir logs;
    SimulatedLine two(tool.folder.path(), fast + QStringList{"--addresses", "1,3", "--seed", "3"},
                      logs.path(), "ports/com2");
    ASSERT_TRUE(two.started() && tool.load());
    Station& station = tool.window->station();
    const auto stored = [&](int line) {
        return station.lines()[line - 1]->health().statistics().line().stored;
    };
    tool.window->readMeterData();
    ASSERT_TRUE(QTest::qWaitFor([&] { return stored(1) >= 5 && stored(2) >= 5; }, 10000));

    ParameterWindow* window = tool.openParameterWindow();
    ASSERT_TRUE(window && window->lineList());
    EXPECT_TRUE(station.isReading());
    window->lineList()->setCurrentIndex(1);
    EXPECT_TRUE(station.isHeld(2));
    EXPECT_FALSE(station.isHeld(1));
    ASSERT_EQ(window->meterAddressList()->count(), 2);
    window->meterAddressList()->setCurrentIndex(1);
    const qint64 lineOneBefore = stored(1);
    const qint64 lineTwoBefore = stored(2);
    window->readButton()->click();
    const Parameter& damping = *ParameterTable::byRegister(MeterRegister::Damping);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !window->form().valueAsRead(damping).isEmpty(); }, 5000));
    EXPECT_GT(stored(1), lineOneBefore + 5);
    EXPECT_LE(stored(2), lineTwoBefore + 1); // a poll under way when it stopped
    // The four block reads went to meter 3 of line 2, and nothing since.
    const QStringList requests = two.requests();
    ASSERT_GE(requests.size(), 4);
    for (const QString& request : requests.mid(requests.size() - 4))
        EXPECT_TRUE(request.startsWith("0303")) << request.toStdString();

    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(station.isHeld(2));
    ASSERT_TRUE(QTest::qWaitFor([&] { return stored(2) > lineTwoBefore + 3; }, 5000));
}

} // namespace
