#include "BasicParameterWindow.h"
#include "LoginWindow.h"
#include "MainStation.h"
#include "ParameterBlocks.h"
#include "ParameterForm.h"
#include "ParameterTable.h"
#include "ParameterWindow.h"
#include "SerialPort.h"
#include "SimulatedLine.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The whole road an operator takes: the main window, the access code, the
// parameter window's Read and a write, on the real port against meter-sim.
TEST(LoginOverALine, BasicCodeReadsAndWritesFlowDirectionAtLevelOne) {
    ToolOnLine tool({}, {"--addresses", "1", "--baud", "115200", "--seed", "2"});
    ASSERT_TRUE(tool.load());
    tool.window->show();
    tool.login(LoginWindow::BasicCode);
    BasicParameterWindow* basic = tool.window->loadedBasicParameterWindow();
    ASSERT_TRUE(basic);
    ParameterForm& form = basic->form();

    // The basic window reads at the line's settings as a Save in the
    // communication setup window left them.
    SerialPort& port = tool.window->station().port();
    ASSERT_EQ(port.setLineSettings("19200,o,8,1"), 0);
    basic->readButton()->click();
    EXPECT_EQ(port.lineSettings(), "19200,o,8,1");
    // The fifth tick takes the values as read.
    const Parameter& direction = *ParameterTable::byRegister(MeterRegister::FlowDirection);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.valueAsRead(direction).isEmpty(); }, 5000));
    for (const Parameter* parameter : form.parameters())
        EXPECT_FALSE(form.text(*parameter).isEmpty()) << parameter->captionText().toStdString();
    EXPECT_EQ(basic->serialNumberBox()->text(), QStringLiteral("RX71000001"));
    EXPECT_EQ(form.text(direction), QStringLiteral("Foward"));

    form.allowWriteBox(direction)->setChecked(true);
    form.setText(direction, QStringLiteral("Reverse"));
    form.writeButton(direction)->click();
    EXPECT_EQ(basic->statusText(), QString());
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.text(direction) == "Reverse"; }, 5000));
    EXPECT_EQ(port.lineSettings(), "19200,o,8,1");
    EXPECT_EQ(tool.logRows(), QStringList({"1|RX71000001|Flow direction|Foward|Reverse"}));

    // On the line: the four block reads, the write, the four again.
    const QStringList blockReads{"0103001800164403", "0103002E0019E409", "01030047001E75D7",
                                 "0103006500019415"};
    ASSERT_TRUE(QTest::qWaitFor([&] { return tool.line.requests().size() >= 9; }, 5000));
    EXPECT_EQ(tool.line.requests(), blockReads + QStringList{"0106002100011800"} + blockReads);
}

TEST(LoginOverALine, FullCodeReadsEveryFieldAndWritesDampingAtLevelTwo) {
    ToolOnLine tool({}, {"--addresses", "1", "--baud", "115200", "--seed", "5"});
    ASSERT_TRUE(tool.load());
    tool.login(LoginWindow::FullCode);
    ParameterWindow* window = tool.window->loadedParameterWindow();
    ASSERT_TRUE(window);
    ParameterForm& form = window->form();

    // The window's own line settings; a pseudo-terminal has no parity bit,
    // and the port takes the setting all the same.
    window->readButton()->click();
    EXPECT_EQ(tool.window->station().port().lineSettings(), "9600,e,8,1");
    EXPECT_EQ(window->statusText(), "");
    // The fifth tick takes the values as read.
    const Parameter& damping = *ParameterTable::byRegister(MeterRegister::Damping);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.valueAsRead(damping).isEmpty(); }, 5000));

    // Every field shows what the meter sent, and that is the value as read.
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
    for (const Parameter* parameter : form.parameters()) {
        const QString caption = parameter->captionText();
        EXPECT_EQ(form.text(*parameter), sent.value(parameter->reg)) << caption.toStdString();
        EXPECT_EQ(form.valueAsRead(*parameter), sent.value(parameter->reg))
            << caption.toStdString();
    }
    EXPECT_EQ(sent[MeterRegister::Damping], "3");

    // Damping 7: the meter's register 38 takes it and the read-back shows it.
    form.allowWriteBox(damping)->click();
    form.textField(damping)->setText("7");
    form.writeButton(damping)->click();
    EXPECT_TRUE(form.text(damping).isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return tool.line.requests().size() == 9; }, 5000));
    // The read-back's fifth tick takes the meter's new value as read.
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.valueAsRead(damping) == "7"; }, 5000));
    EXPECT_EQ(form.text(damping), "7");
    EXPECT_EQ(window->statusText(), "");
    EXPECT_EQ(tool.logRows(), QStringList{"2|RX71000001|Damping|3|7"});

    // On the line: the four block reads, the write, the four again.
    const QStringList blockReads{"0103001800164403", "0103002E0019E409", "01030047001E75D7",
                                 "0103006500019415"};
    EXPECT_EQ(tool.line.requests(), blockReads + QStringList{"01060026000729C3"} + blockReads);
}

} // namespace
