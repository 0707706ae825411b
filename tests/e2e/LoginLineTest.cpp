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

// The whole road an operator takes, once with each access code: the main
// window, the code, the parameter window's Read (four block reads, the
// values taken as read on the fifth tick), a write at the window's level
// and the read-back, on the real port against meter-sim.
TEST(LoginOverALine, EachCodeReadsEveryFieldAndWritesAtItsLevel) {
    struct Case {
        const char* code;
        const char* lineBefore; // what a Save in the setup window left on the port
        const char* lineOfRead; // the basic window keeps it, the full one sets its own
        int reg;
        const char* written;
        const char* frame;
        const char* logged;
    };
    const Case cases[] = {
        {LoginWindow::BasicCode, "19200,o,8,1", "19200,o,8,1", MeterRegister::FlowDirection,
         "Reverse", "0106002100011800", "1|RX71000001|Flow direction|Foward|Reverse"},
        {LoginWindow::FullCode, "9600,n,8,1", "9600,e,8,1", MeterRegister::Damping, "7",
         "01060026000729C3", "2|RX71000001|Damping|3|7"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        ToolOnLine tool({}, {"--addresses", "1", "--baud", "115200", "--seed", "2"});
        ASSERT_TRUE(tool.load());
        tool.window->show();
        tool.login(c.code);
        ParameterWindowBase* window = tool.window->loadedBasicParameterWindow();
        if (!window)
            window = tool.window->loadedParameterWindow();
        ASSERT_TRUE(window);
        ParameterForm& form = window->form();
        const Parameter& parameter = *ParameterTable::byRegister(c.reg);

        SerialPort& port = tool.window->station().port();
        ASSERT_EQ(port.setLineSettings(c.lineBefore), 0);
        window->readButton()->click();
        EXPECT_EQ(port.lineSettings(), c.lineOfRead);
        EXPECT_EQ(window->statusText(), "");
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
            SCOPED_TRACE(shown->captionText().toStdString());
            EXPECT_EQ(form.text(*shown), sent.value(shown->reg));
            EXPECT_EQ(form.valueAsRead(*shown), sent.value(shown->reg));
        }
        if (auto* basic = qobject_cast<BasicParameterWindow*>(window)) {
            EXPECT_EQ(basic->serialNumberBox()->text(), "RX71000001");
        }

        form.allowWriteBox(parameter)->click();
        form.setText(parameter, c.written);
        form.writeButton(parameter)->click();
        EXPECT_TRUE(form.text(parameter).isEmpty());
        // The read-back's fifth tick takes the meter's new value as read.
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return form.valueAsRead(parameter) == c.written; }, 5000));
        EXPECT_EQ(window->statusText(), "");
        EXPECT_EQ(port.lineSettings(), c.lineOfRead);
        EXPECT_EQ(tool.logRows(), QStringList{c.logged});

        // On the line: the four block reads, the write, the four again.
        const QStringList blockReads{"0103001800164403", "0103002E0019E409", "01030047001E75D7",
                                     "0103006500019415"};
        EXPECT_EQ(tool.line.requests(), blockReads + QStringList{c.frame} + blockReads);
    }
}

} // namespace
