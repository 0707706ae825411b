#include "BasicParameterWindow.h"
#include "FakeSerialPort.h"
#include "ParameterBlockDispatcher.h"
#include "ParameterForm.h"
#include "ParameterList.h"
#include "ParameterReadSequence.h"
#include "ParameterWindow.h"
#include "ProgramFolder.h"
#include "ReplyFrames.h"
#include "SerialExchange.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

constexpr auto Basic = ParameterWindowKind::Basic;

// The blocks of a meter as the basic window sees it: the 13 fields and the
// serial number, the rest left zero.
QList<QByteArray> meterBlocks(const QByteArray& serial = "10000017XR") {
    return {replyFrame(44, {{4, u16(1)},     // Language: English
                            {6, u16(1)},     // Meter address:
                            {12, u16(7)},    // Flow rate unit: CMH
                            {14, f32(60)},   // Meter span setup:
                            {30, u16(6)},    // Flow totalizer unit: Cubic m
                            {36, f32(1)}}),  // K factor:
            replyFrame(50, {{0, f32(1000)},  // Frquency output span:
                            {8, f32(500)}}), // EPD threshold:
            replyFrame(60, {{48, serial}}),  // Transducer serial#:, last character first
            replyFrame(2, {})};              // EPD Enable: Enable
}

QStringList hex(const QList<QByteArray>& frames) {
    QStringList texts;
    for (const QByteArray& frame : frames)
        texts << QString::fromLatin1(frame.toHex().toUpper());
    return texts;
}

const Parameter& parameter(const char* caption) {
    const Parameter* found = ParameterTable::find(QString::fromUtf8(caption));
    if (!found)
        ADD_FAILURE() << "no parameter " << caption;
    return found ? *found : ParameterTable::all().front();
}

class BasicParameterWindowTest : public ::testing::Test {
protected:
    void SetUp() override { open({}); }

    void open(const StartingDatabase::Options& options, bool withDatabase = true) {
        window.reset();
        folder = std::make_unique<ProgramFolder>(options, withDatabase);
        ASSERT_TRUE(folder->ok());
        port.setPortNumber(1);
        port.open(); // as the main window leaves it
        port.calls.clear();
        window = std::make_unique<BasicParameterWindow>(folder->path(), exchange, dispatcher);
    }

    ParameterForm& form() { return window->form(); }

    // "Read" and the five ticks, the meter answering each request at once.
    void readMeter(const QList<QByteArray>& blocks = meterBlocks()) {
        window->read();
        for (const QByteArray& block : blocks) {
            window->readTimerTick();
            port.deliver(block);
        }
        window->readTimerTick();
        port.written.clear();
        port.calls.clear();
    }

    void writeField(const char* caption, const QString& text) {
        const Parameter& s = parameter(caption);
        form().allowWriteBox(s)->setChecked(true);
        if (QLineEdit* edit = form().textField(s))
            edit->setText(text);
        else
            form().listField(s)->setText(text);
        form().writeButton(s)->click();
    }

    QStringList logRows() const {
        return folder->rows(QStringLiteral(
            "select quanxian,bianma,xiangmu,dudao,xieru from caozuo order by rowid"));
    }

    FakeSerialPort port;
    SerialExchange exchange{port};
    ParameterBlockDispatcher dispatcher;
    std::unique_ptr<ProgramFolder> folder;
    std::unique_ptr<BasicParameterWindow> window;
    QMetaObject::Connection replies =
        QObject::connect(&exchange, &SerialExchange::replyReceived, &dispatcher,
                         &ParameterBlockDispatcher::dispatch);
};

TEST_F(BasicParameterWindowTest, LoadingLeavesThePortAlone) {
    EXPECT_EQ(window->windowTitle(), "Meter parameter setup");
    EXPECT_TRUE(port.calls.isEmpty());
    EXPECT_EQ(window->meterAddressList()->currentText(), "1");
    EXPECT_EQ(window->readSequence().step(), 0);
    EXPECT_EQ(window->readSequence().timer().interval(), 0);
}

TEST_F(BasicParameterWindowTest, WithoutADatabaseItOpensEmptyAndEveryActionFails) {
    open({}, false);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->meterAddressList()->count(), 0);
    EXPECT_TRUE(port.calls.isEmpty());

    // No settings row, so no port number: "Read" fails at once.
    window->read();
    EXPECT_EQ(window->statusText(), "Notice:  com:  Error!");
    EXPECT_EQ(window->readSequence().timer().interval(), 0);

    // Even with an address typed and the port open, a write that could
    // not be logged is not sent.
    port.open();
    window->meterAddressList()->setEditText("1");
    writeField("Flow direction:", "Reverse");
    EXPECT_EQ(window->statusText(), "Notice:  com:  Error!");
    writeField("K factor:", "2");
    EXPECT_EQ(window->statusText(), "Notice:  Pulse output unit:  Error!");
    EXPECT_TRUE(port.written.isEmpty());
}

TEST_F(BasicParameterWindowTest, ReadKeepsTheLineWhileTheFullWindowSetsItsOwn) {
    StartingDatabase::Options options;
    options.com = 2;
    open(options);
    // What a Save in the communication setup window leaves on the port.
    port.setLineSettings("19200,o,8,1");
    port.calls.clear();

    window->readButton()->click();
    EXPECT_EQ(port.calls, (QStringList{"close", "open 2"}));
    EXPECT_EQ(port.lineSettings(), "19200,o,8,1");
    EXPECT_EQ(window->statusText(), "");
    EXPECT_EQ(window->readSequence().timer().interval(), ParameterReadSequence::StepMs);

    port.calls.clear();
    ParameterWindow full(folder->path(), exchange, dispatcher);
    full.readButton()->click();
    EXPECT_EQ(port.lineSettings(), "9600,e,8,1");

    // The basic window keeps whatever the full window left.
    port.calls.clear();
    window->read();
    EXPECT_EQ(port.calls, (QStringList{"close", "open 2"}));
    EXPECT_EQ(port.lineSettings(), "9600,e,8,1");
}

TEST_F(BasicParameterWindowTest, ReadFillsTheFieldsAndTakesThemAsReadOnTheFifthTick) {
    readMeter();
    const QMap<QString, QString> shown{{"Meter address:", "1"},
                                       {"Flow rate unit:", "CMH"},
                                       {"Meter span setup:", "60"},
                                       {"Flow totalizer unit:", "Cubic m"},
                                       {"Digital output type:", "Frequency"},
                                       {"K factor:", "1.00"},
                                       {"Frquency output span:", "1000.00"},
                                       {"EPD threshold:", "500.00"},
                                       {"Meter sleep:", "OFF"},
                                       {"Language:", "English"},
                                       {"Flow direction:", "Foward"},
                                       {"Reverse flow enable:", "Foward"},
                                       {"Empty Pipe Detection Switch:", "Enable"}};
    ASSERT_EQ(form().parameters().size(), shown.size());
    for (const Parameter* s : form().parameters()) {
        const QString caption = s->captionText();
        EXPECT_EQ(form().text(*s), shown.value(caption)) << caption.toStdString();
        EXPECT_EQ(form().valueAsRead(*s), shown.value(caption)) << caption.toStdString();
    }
    EXPECT_EQ(window->serialNumberBox()->text(), "RX71000001");

    // "Read" empties the 13 fields; the serial number stays until a decoder
    // brings a new one.
    window->read();
    for (const Parameter* s : form().parameters())
        EXPECT_TRUE(form().text(*s).isEmpty()) << s->captionText().toStdString();
    EXPECT_EQ(window->serialNumberBox()->text(), "RX71000001");
    port.deliver(meterBlocks("20000017XR")[2]);
    EXPECT_EQ(window->serialNumberBox()->text(), "RX71000002");

    window->show();
    EXPECT_FALSE(window->serialNumberBox()->isVisible());
}

TEST_F(BasicParameterWindowTest, WritesSendLogAtLevelOneAndReadBack) {
    struct Case {
        const char* caption;
        QString text;
        const char* frame;
        const char* logged; // xiangmu|dudao|xieru
    };
    const Case cases[] = {
        {"Language:", "Chinese", "0106001A0000A80D", "Language|English|Chinese"},
        {"Flow rate unit:", "GPM", "0106001E0003A9CD", "Flow rate unit|CMH|GPM"},
        {"Meter span setup:", "80", "0110001F00020442A00000A6B9", "Meter span setup|60|80"},
        {"Flow direction:", "Reverse", "0106002100011800", "Flow direction|Foward|Reverse"},
        {"Flow totalizer unit:", "ACRE In", "01060027000F79C5",
         "Flow totalizer unit|Cubic m|ACRE In"},
        {"Reverse flow enable:", "Reverse", "010600280001C802",
         "Reverse flow enable|Foward|Reverse"},
        {"Digital output type:", "Pulse", "01060029000199C2", "Pulse output type|Frequency|Pulse"},
        {"K factor:", "2.5", "0110002A0002044020000065C2", "Pulse output unit|1.00|2.5"},
        {"Frquency output span:", "1500", "0110002E00020444BB8000752E",
         "Frquency output span|1000.00|1500"},
        {"Empty Pipe Detection Switch:", "Disable", "0106006500015815",
         "Empty Pipe Detection Switch|Enable|Disable"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        readMeter();
        const int rowsBefore = static_cast<int>(logRows().size());
        writeField(c.caption, c.text);

        EXPECT_EQ(hex(port.written), QStringList{c.frame});
        const QStringList rows = logRows();
        ASSERT_EQ(rows.size(), rowsBefore + 1);
        EXPECT_EQ(rows.last(), QStringLiteral("1|RX71000001|") + QString::fromUtf8(c.logged));
        EXPECT_EQ(window->statusText(), "");
        const Parameter& s = parameter(c.caption);
        EXPECT_FALSE(form().allowWriteBox(s)->isChecked());
        EXPECT_TRUE(form().isLocked(s));
        // The read-back: the fields emptied, the port set up afresh with
        // the line untouched, the sequence started.
        EXPECT_TRUE(form().text(s).isEmpty());
        EXPECT_EQ(port.calls, (QStringList{"close", "open 1"}));
        EXPECT_EQ(window->readSequence().timer().interval(), ParameterReadSequence::StepMs);
    }
}

TEST_F(BasicParameterWindowTest, TheLogTakesTheSerialNumberOfTheHiddenBox) {
    readMeter(meterBlocks("30000017XR"));
    window->serialNumberBox()->setText("RX71000003");
    writeField("Flow direction:", "Reverse");
    EXPECT_EQ(logRows().value(0).section('|', 0, 1), "1|RX71000003");

    // Before any reply the box is empty, and so are the logged values.
    open({});
    writeField("Flow direction:", "Reverse");
    EXPECT_EQ(logRows(), QStringList{"1||Flow direction||Reverse"});
}

TEST_F(BasicParameterWindowTest, EpdEnableLogsTheValueTakenAtTheSnapshot) {
    readMeter();
    // A reply that arrives after the fifth tick shows, but is not as read.
    port.deliver(replyFrame(2, {{0, u16(1)}}));
    const Parameter& epd = parameter("Empty Pipe Detection Switch:");
    ASSERT_EQ(form().text(epd), "Disable");
    writeField("Empty Pipe Detection Switch:", "Enable");
    EXPECT_EQ(hex(port.written), QStringList{"01060065000099D5"});
    EXPECT_EQ(logRows(), QStringList{"1|RX71000001|Empty Pipe Detection Switch|Enable|Enable"});
}

TEST_F(BasicParameterWindowTest, AFailedWriteSendsAndLogsNothing) {
    struct Case {
        const char* caption;
        QString text;
        QString address;
        const char* notice;
    };
    const Case cases[] = {
        // An emptied list has no code: the language is not logged as written.
        {"Language:", "", "1", "Notice:  com:  Error!"},
        {"Language:", "English", "", "Notice:  com:  Error!"},
        {"Flow direction:", "Reverse", "256", "Notice:  com:  Error!"},
        {"Meter span setup:", "abc", "1", "Notice:  Meter span setup:  Error!"},
        {"K factor:", "", "1", "Notice:  Pulse output unit:  Error!"},
        {"Frquency output span:", "x", "1", "Notice:  Frquency output span:  Error!"},
    };
    readMeter();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption + (" " + c.text.toStdString()) + " @" + c.address.toStdString());
        window->meterAddressList()->setEditText(c.address);
        writeField(c.caption, c.text);
        EXPECT_EQ(window->statusText(), QString::fromUtf8(c.notice));
        EXPECT_TRUE(port.written.isEmpty());
        EXPECT_TRUE(logRows().isEmpty());
        EXPECT_EQ(window->readSequence().timer().interval(), 0);
        EXPECT_FALSE(form().allowWriteBox(parameter(c.caption))->isChecked());
    }

    // A language write the port refuses is not recorded as made either.
    window->meterAddressList()->setEditText("1");
    port.close();
    writeField("Language:", "Chinese");
    EXPECT_EQ(window->statusText(), "Notice:  com:  Error!");
    EXPECT_TRUE(logRows().isEmpty());
}

TEST_F(BasicParameterWindowTest, EachWindowWritesItsOwnParameters) {
    ParameterWindow full(folder->path(), exchange, dispatcher);
    struct Case {
        const char* caption;
        bool basic;
        bool full;
    };
    const Case cases[] = {
        {"Flow direction:", true, false},      {"Language:", true, false},
        {"Reverse flow enable:", true, false}, {"Meter address:", false, true},
        {"EPD threshold:", false, true},       {"Meter sleep:", false, true},
        {"Flow rate unit:", true, true},       {"Empty Pipe Detection Switch:", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        const Parameter& s = parameter(c.caption);
        for (auto [form, writes] :
             {std::pair{&window->form(), c.basic}, std::pair{&full.form(), c.full}}) {
            QCheckBox* box = form->allowWriteBox(s);
            box->click();
            EXPECT_EQ(box->isChecked(), writes);
            EXPECT_EQ(form->isLocked(s), !writes);
            EXPECT_EQ(form->field(s)->isEnabled(), writes);
            form->lock(s);
        }
    }

    // A shown-only parameter cannot be written by calling the handler either.
    readMeter();
    EXPECT_EQ(window->write(parameter("Meter sleep:")), ParameterWriter::Result::Failed);
    EXPECT_EQ(window->write(parameter("Damping:")), ParameterWriter::Result::Failed);
    EXPECT_TRUE(port.written.isEmpty());
    EXPECT_TRUE(logRows().isEmpty());
}

TEST_F(BasicParameterWindowTest, FieldsAreNamedByTheirCaptionsInTwoColumns) {
    window->show();
    int leftColumnRight = 0;
    int rightColumnLeft = std::numeric_limits<int>::max();
    QMap<int, int> lastTop; // column -> top of the field above
    for (const Parameter* s : form().parameters()) {
        const QString caption = s->labelIn(Basic);
        SCOPED_TRACE(caption.toStdString());
        EXPECT_EQ(form().label(*s)->text(), caption);
        EXPECT_EQ(form().label(*s)->buddy(), form().field(*s));
        EXPECT_EQ(form().field(*s)->accessibleName(), caption);
        EXPECT_EQ(form().allowWriteBox(*s)->accessibleName(), "Allow write " + caption);
        EXPECT_EQ(form().writeButton(*s)->accessibleName(), "Write " + caption);
        EXPECT_FALSE(form().allowWriteBox(*s)->isChecked());
        EXPECT_FALSE(form().writeButton(*s)->isVisible());
        EXPECT_TRUE(form().isLocked(*s));

        const int column = s->placeIn(Basic).column;
        const QRect label = form().label(*s)->geometry();
        const QRect button = form().writeButton(*s)->geometry();
        if (column == 1)
            leftColumnRight = std::max(leftColumnRight, button.right());
        else
            rightColumnLeft = std::min(rightColumnLeft, label.left());
        EXPECT_GT(label.top(), lastTop.value(column, -1));
        lastTop[column] = label.top();
    }
    EXPECT_LT(leftColumnRight, rightColumnLeft);
    EXPECT_EQ(form().label(parameter("Empty Pipe Detection Switch:"))->text(), "EPD Enable:");
    EXPECT_EQ(window->meterAddressList()->accessibleName(), "Communication setup Meter address:");
}

TEST_F(BasicParameterWindowTest, BothWindowsShowTheSameSerialNumber) {
    ParameterWindow full(folder->path(), exchange, dispatcher);
    readMeter();
    EXPECT_EQ(full.form().text(ParameterTable::serialNumber()), "RX71000001");
    EXPECT_EQ(window->serialNumberBox()->text(), "RX71000001");

    // A closed basic window takes no more replies.
    window.reset();
    port.deliver(meterBlocks("40000017XR")[2]);
    EXPECT_EQ(full.form().text(ParameterTable::serialNumber()), "RX71000004");
}

} // namespace
