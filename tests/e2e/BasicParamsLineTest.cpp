#include "BasicParameterWindow.h"
#include "HexText.h"
#include "MainStation.h"
#include "ParameterBlockDispatcher.h"
#include "ParameterBlocks.h"
#include "ParameterForm.h"
#include "ParameterList.h"
#include "ParameterReadSequence.h"
#include "ParameterWindow.h"
#include "PortLocator.h"
#include "ProgramFolder.h"
#include "QtSerialPort.h"
#include "SerialExchange.h"
#include "SerialPort.h"
#include "SimulatedLine.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Both parameter windows on the real Qt serial port, its com1 a simulated
// meter; the basic one does the talking.
struct BasicParametersOnLine {
    ProgramFolder folder;
    std::unique_ptr<SimulatedLine> line;
    std::unique_ptr<MainStation> station;
    ParameterBlockDispatcher dispatcher;
    std::unique_ptr<ParameterWindow> full;
    std::unique_ptr<BasicParameterWindow> basic;

    explicit BasicParametersOnLine(const QStringList& simArguments) {
        line = std::make_unique<SimulatedLine>(folder.path(), simArguments);
        station = std::make_unique<MainStation>(
            folder.path(), std::make_unique<QtSerialPort>(PortLocator(folder.path())));
    }
    ~BasicParametersOnLine() {
        basic.reset();
        full.reset();
        station.reset(); // closes the port before the line goes away
        line.reset();
    }

    bool open() {
        if (!line->started() || station->startUp() != 0)
            return false;
        QObject::connect(station.get(), &MainStation::parameterBlockReceived, &dispatcher,
                         &ParameterBlockDispatcher::dispatch);
        full = std::make_unique<ParameterWindow>(folder.path(), station->exchange(), dispatcher);
        basic =
            std::make_unique<BasicParameterWindow>(folder.path(), station->exchange(), dispatcher);
        // The test gives the ticks itself, each once the block before it is in.
        full->readSequence().timer().setEnabled(false);
        basic->readSequence().timer().setEnabled(false);
        return true;
    }

    // The basic window's sequence after "Read" or a write: four requests,
    // each reply awaited, then the values as read. The replies as they came.
    QStringList readSequence() {
        QStringList replies;
        auto connection =
            QObject::connect(station.get(), &MainStation::parameterBlockReceived,
                             [&](ReplyKind, const QString& hexText) { replies << hexText; });
        for (int block = 1; block <= 4; ++block) {
            basic->readTimerTick();
            if (!QTest::qWaitFor([&] { return replies.size() == block; }, 5000))
                break;
        }
        basic->readTimerTick();
        QObject::disconnect(connection);
        return replies;
    }
};

TEST(BasicParametersOverALine, ReadAndAFlowDirectionWriteAtTheLinesOwnSettings) {
    BasicParametersOnLine tool({"--addresses", "1", "--baud", "19200", "--seed", "7"});
    ASSERT_TRUE(tool.open());
    BasicParameterWindow& window = *tool.basic;
    ParameterForm& form = window.form();

    // The line as a Save in the communication setup window leaves it, after
    // the full window had set its own.
    ASSERT_EQ(tool.station->port().lineSettings(), "9600,e,8,1");
    ASSERT_EQ(tool.station->port().setLineSettings("19200,o,8,1"), 0);
    window.readButton()->click();
    EXPECT_EQ(tool.station->port().lineSettings(), "19200,o,8,1");
    EXPECT_TRUE(tool.station->port().isOpen());
    EXPECT_EQ(window.statusText(), "");

    const QStringList replies = tool.readSequence();
    ASSERT_EQ(replies.size(), 4);
    QMap<QString, QString> sent;
    for (int block = 1; block <= 4; ++block) {
        const auto fields = decodeParameterBlock(block, replies[block - 1]);
        ASSERT_TRUE(fields) << block;
        for (const FieldText& field : *fields)
            sent[field.caption] = field.text;
    }
    ASSERT_EQ(form.parameters().size(), 13);
    for (const Parameter* parameter : form.parameters()) {
        const QString caption = parameter->captionText();
        EXPECT_FALSE(form.text(*parameter).isEmpty()) << caption.toStdString();
        EXPECT_EQ(form.text(*parameter), sent.value(caption)) << caption.toStdString();
        EXPECT_EQ(form.valueAsRead(*parameter), sent.value(caption)) << caption.toStdString();
    }
    const Parameter& serial = ParameterTable::serialNumber();
    EXPECT_EQ(window.serialNumberBox()->text(), "RX71000001");
    EXPECT_EQ(tool.full->form().text(serial), "RX71000001");

    // "Reverse": register 33 takes 1, and the read-back shows it.
    const Parameter& direction = *ParameterTable::find(u"Flow direction:");
    ASSERT_EQ(form.text(direction), "Foward");
    form.allowWriteBox(direction)->click();
    form.listField(direction)->setText("Reverse");
    form.writeButton(direction)->click();
    EXPECT_EQ(window.statusText(), "");
    const QString writeRequest = QStringLiteral("0106002100011800");
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return tool.line->requests().contains(writeRequest); }, 5000));
    // The meter's echo is left unread; let it land before the next request
    // empties the buffer.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return tool.station->exchange().bufferText() == writeRequest; }, 5000));
    EXPECT_TRUE(form.text(direction).isEmpty());
    EXPECT_EQ(tool.station->port().lineSettings(), "19200,o,8,1");

    const QStringList readBack = tool.readSequence();
    ASSERT_EQ(readBack.size(), 4);
    EXPECT_EQ(HexText::byteAt(readBack[0], 3 + 18) * 256 + HexText::byteAt(readBack[0], 3 + 19), 1);
    EXPECT_EQ(form.text(direction), "Reverse");
    EXPECT_EQ(form.valueAsRead(direction), "Reverse");

    // Logged at level 1 under the serial number the full window shows.
    const QStringList rows =
        tool.folder.rows("select quanxian,bianma,xiangmu,dudao,xieru from caozuo");
    EXPECT_EQ(rows, QStringList{"1|RX71000001|Flow direction|Foward|Reverse"});
    EXPECT_EQ(rows.value(0).section('|', 1, 1), tool.full->form().text(serial));

    // On the line: the four block reads, the write, the four again.
    const QStringList blockReads{"0103001800164403", "0103002E0019E409", "01030047001E75D7",
                                 "0103006500019415"};
    EXPECT_EQ(tool.line->requests(), blockReads + QStringList{writeRequest} + blockReads);
}

} // namespace
