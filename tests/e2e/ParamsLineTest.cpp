#include "HexText.h"
#include "MainStation.h"
#include "ParameterBlockDispatcher.h"
#include "ParameterBlocks.h"
#include "ParameterForm.h"
#include "ParameterReadSequence.h"
#include "ParameterWindow.h"
#include "PortLocator.h"
#include "ProgramFolder.h"
#include "QtSerialPort.h"
#include "SerialExchange.h"
#include "SimulatedLine.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The full parameter window on the real Qt serial port, its com1 a
// simulated meter, the blocks reaching it the way the main window hands
// them on.
struct ParametersOnLine {
    ProgramFolder folder;
    std::unique_ptr<SimulatedLine> line;
    std::unique_ptr<MainStation> station;
    ParameterBlockDispatcher dispatcher;
    std::unique_ptr<ParameterWindow> window;

    explicit ParametersOnLine(const QStringList& simArguments) {
        line = std::make_unique<SimulatedLine>(folder.path(), simArguments);
        station = std::make_unique<MainStation>(
            folder.path(), std::make_unique<QtSerialPort>(PortLocator(folder.path())));
    }
    ~ParametersOnLine() {
        window.reset();
        station.reset(); // closes the port before the line goes away
        line.reset();
    }

    bool open() {
        if (!line->started() || station->startUp() != 0)
            return false;
        QObject::connect(station.get(), &MainStation::parameterBlockReceived, &dispatcher,
                         &ParameterBlockDispatcher::dispatch);
        window = std::make_unique<ParameterWindow>(folder.path(), station->exchange(), dispatcher);
        // The test gives the ticks itself, each once the block before it is in.
        window->readSequence().timer().setEnabled(false);
        return true;
    }

    // The sequence after "Read" or a write: four requests, each reply
    // awaited, then the values as read. The replies as they came.
    QStringList readSequence() {
        QStringList replies;
        auto connection =
            QObject::connect(station.get(), &MainStation::parameterBlockReceived,
                             [&](ReplyKind, const QString& hexText) { replies << hexText; });
        for (int block = 1; block <= 4; ++block) {
            window->readTimerTick();
            if (!QTest::qWaitFor([&] { return replies.size() == block; }, 5000))
                break;
        }
        window->readTimerTick();
        QObject::disconnect(connection);
        return replies;
    }
};

TEST(ParametersOverALine, ReadFillsEveryFieldAndAWriteChangesTheMeter) {
    ParametersOnLine tool({"--addresses", "1", "--baud", "115200", "--seed", "5"});
    ASSERT_TRUE(tool.open());
    ParameterWindow& window = *tool.window;
    ParameterForm& form = window.form();

    // The window's own line settings at start; a pseudo-terminal has no
    // parity bit, and the port takes the setting all the same.
    window.readButton()->click();
    EXPECT_EQ(tool.station->port().lineSettings(), "9600,e,8,1");
    EXPECT_EQ(window.statusText(), "");
    const QStringList replies = tool.readSequence();
    ASSERT_EQ(replies.size(), 4);

    // Every field shows what the meter sent, and that is the value as read.
    QMap<QString, QString> sent;
    for (int block = 1; block <= 4; ++block) {
        const auto fields = decodeParameterBlock(block, replies[block - 1]);
        ASSERT_TRUE(fields) << block;
        for (const FieldText& field : *fields)
            sent[field.caption] = field.text;
    }
    ASSERT_EQ(sent.size(), 43);
    for (const Parameter* parameter : form.parameters()) {
        const QString caption = parameter->captionText();
        EXPECT_EQ(form.text(*parameter), sent.value(caption)) << caption.toStdString();
        EXPECT_EQ(form.valueAsRead(*parameter), sent.value(caption)) << caption.toStdString();
    }
    EXPECT_EQ(sent["Damping:"], "3");
    EXPECT_EQ(sent["Transducer serial#:"], "RX71000001");
    EXPECT_EQ(sent["Transducer factor:"], "12.340");

    // Damping 7: the meter's register 38 takes it and the read-back shows it.
    const Parameter& damping = *ParameterTable::find(u"Damping:");
    form.allowWriteBox(damping)->click();
    form.textField(damping)->setText("7");
    form.writeButton(damping)->click();
    const QString writeRequest = QStringLiteral("01060026000729C3");
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return tool.line->requests().contains(writeRequest); }, 5000));
    // The meter's answer is left unread, as always; let it land before the
    // next request empties the buffer.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return tool.station->exchange().bufferText() == writeRequest; }, 5000));
    EXPECT_TRUE(form.text(damping).isEmpty());

    const QStringList readBack = tool.readSequence();
    ASSERT_EQ(readBack.size(), 4);
    EXPECT_EQ(HexText::byteAt(readBack[0], 3 + 28) * 256 + HexText::byteAt(readBack[0], 3 + 29), 7);
    EXPECT_EQ(form.text(damping), "7");
    EXPECT_EQ(form.valueAsRead(damping), "7");
    EXPECT_EQ(window.statusText(), "");
    EXPECT_EQ(tool.folder.rows("select quanxian,bianma,xiangmu,dudao,xieru from caozuo"),
              QStringList{"2|RX71000001|Damping|3|7"});

    // On the line: the four block reads, the write, the four again.
    const QStringList requests = tool.line->requests();
    const QStringList blockReads{"0103001800164403", "0103002E0019E409", "01030047001E75D7",
                                 "0103006500019415"};
    EXPECT_EQ(requests, blockReads + QStringList{writeRequest} + blockReads);
}

} // namespace
