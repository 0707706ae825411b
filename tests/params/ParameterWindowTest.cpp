#include "ParameterWindow.h"
#include "FakeSerialPort.h"
#include "ParameterBlockDispatcher.h"
#include "ParameterFields.h"
#include "ParameterForm.h"
#include "ParameterList.h"
#include "ParameterReadSequence.h"
#include "ProgramFolder.h"
#include "ReplyFrames.h"
#include "SerialExchange.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// One meter's four parameter blocks as it sends them.
QList<QByteArray> meterBlocks() {
    return {replyFrame(44, {{0, f32(50)},
                            {4, u16(1)},
                            {6, u16(1)},
                            {8, u16(4)},
                            {10, u16(5)},
                            {12, u16(7)},
                            {14, f32(60)},
                            {24, f32(0.5f)},
                            {28, u16(3)},
                            {30, u16(6)},
                            {36, f32(1)},
                            {40, u32(1000)}}),
            replyFrame(50, {{0, f32(1000)},
                            {4, f32(50)},
                            {8, f32(500)},
                            {12, f32(1)},
                            {16, f32(1)},
                            {20, u16(1)},
                            {22, "10004202NS"}}),
            replyFrame(60, {{24, u32(123456)},
                            {28, u32(7)},
                            {32, u16(1)},
                            {34, f32(2.5f)},
                            {38, f32(123.4f)},
                            {48, "10000017XR"}}),
            replyFrame(2, {})};
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

class ParameterWindowTest : public ::testing::Test {
protected:
    void SetUp() override { open({}); }

    void open(const StartingDatabase::Options& options) {
        window.reset();
        folder = std::make_unique<ProgramFolder>(options);
        ASSERT_TRUE(folder->ok());
        port.setPortNumber(1);
        port.open(); // as the main window leaves it
        port.calls.clear();
        window = std::make_unique<ParameterWindow>(folder->path(), exchange, dispatcher);
    }

    ParameterForm& form() { return window->form(); }

    // "Read" and the five ticks, the meter answering each request at once.
    void readMeter() {
        window->read();
        const QList<QByteArray> blocks = meterBlocks();
        for (const QByteArray& block : blocks) {
            window->readTimerTick();
            port.deliver(block);
        }
        window->readTimerTick();
        port.written.clear();
        port.calls.clear();
    }

    // Ticks "Allow write", puts the text into the field as the operator
    // would (typing, or picking from a list) and presses "Write".
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

    bool readBackStarted() {
        return window->readSequence().step() == 0 &&
               window->readSequence().timer().interval() == ParameterReadSequence::StepMs;
    }

    FakeSerialPort port;
    SerialExchange exchange{port};
    ParameterBlockDispatcher dispatcher;
    std::unique_ptr<ProgramFolder> folder;
    std::unique_ptr<ParameterWindow> window;
    QMetaObject::Connection replies =
        QObject::connect(&exchange, &SerialExchange::replyReceived, &dispatcher,
                         &ParameterBlockDispatcher::dispatch);
};

TEST_F(ParameterWindowTest, OpeningSetsTheWindowsLineAndReadTheChosenOne) {
    StartingDatabase::Options options;
    options.com = 2;
    options.settings = QStringLiteral("19200");
    options.noe = 1;
    open(options);
    EXPECT_EQ(window->windowTitle(), "Meter parameter setup");
    // The settings row gives the port; the window's own lists the line.
    EXPECT_EQ(port.calls, (QStringList{"close", "open 2", "settings 9600,e,8,1"}));

    port.calls.clear();
    window->parityList()->setCurrentText("ODD");
    window->baudRateList()->setCurrentText("19200");
    EXPECT_TRUE(port.calls.isEmpty());
    window->readButton()->click();
    EXPECT_EQ(port.calls, (QStringList{"close", "open 2", "settings 19200,o,8,1"}));
}

TEST_F(ParameterWindowTest, ReadSendsFourBlockRequestsAndTakesValuesOnTheFifthTick) {
    const Parameter& damping = parameter("Damping:");
    form().setText(damping, "old");
    window->read();
    for (const Parameter* s : form().parameters())
        EXPECT_TRUE(form().text(*s).isEmpty()) << s->captionText().toStdString();
    EXPECT_TRUE(port.written.isEmpty());
    EXPECT_EQ(window->readSequence().timer().interval(), 200);

    const QStringList requests{"0103001800164403", "0103002E0019E409", "01030047001E75D7",
                               "0103006500019415"};
    const QList<QByteArray> blocks = meterBlocks();
    for (int tick = 0; tick < 4; ++tick) {
        window->readTimerTick();
        EXPECT_EQ(hex(port.written), requests.mid(0, tick + 1));
        port.deliver(blocks[tick]);
    }
    EXPECT_EQ(form().text(damping), "3");
    EXPECT_TRUE(form().valueAsRead(damping).isEmpty());

    window->readTimerTick();
    EXPECT_EQ(port.written.size(), 4);
    EXPECT_EQ(window->readSequence().step(), 0);
    EXPECT_EQ(window->readSequence().timer().interval(), 0);
    const QMap<QString, QString> shown{{"Meter size:", "50"},
                                       {"Language:", "English"},
                                       {"Baudrate:", "9600"},
                                       {"Flow rate unit:", "CMH"},
                                       {"Flow cutoff:", "0.500"},
                                       {"Pulse width:", "1000"},
                                       {"EPD threshold:", "500.00"},
                                       {"Sensor Serial:", "SN20240001"},
                                       {"Excitation mode:", "MODE2"},
                                       {"Transducer factor:", "12.340"},
                                       {"Transducer serial#:", "RX71000001"},
                                       {"Parity check:", "NONE"},
                                       {"Empty Pipe Detection Switch:", "Enable"}};
    for (const Parameter* s : form().parameters()) {
        const QString caption = s->captionText();
        EXPECT_FALSE(form().text(*s).isEmpty()) << caption.toStdString();
        EXPECT_EQ(form().valueAsRead(*s), form().text(*s)) << caption.toStdString();
        if (shown.contains(caption)) {
            EXPECT_EQ(form().text(*s), shown[caption]) << caption.toStdString();
        }
    }

    // A late reply still shows, but the values as read stay as taken.
    port.deliver(replyFrame(44, {{28, u16(9)}}));
    EXPECT_EQ(form().text(damping), "9");
    EXPECT_EQ(form().valueAsRead(damping), "3");
}

TEST_F(ParameterWindowTest, WritesSendLogAndReadBack) {
    struct Case {
        const char* caption;
        QString text;
        const char* frame;
        const char* logged; // xiangmu|dudao|xieru
    };
    const Case cases[] = {
        {"Damping:", "5", "010600260005A802", "Damping|3|5"},
        {"Flow rate unit:", "GPM", "0106001E0003A9CD", "Flow rate unit|CMH|GPM"},
        {"Flow totalizer unit:", "ACRE In", "01060027000F79C5",
         "Flow totalizer unit|Cubic m|ACRE In"},
        {"Baudrate:", "115200", "0106001C000AC80B", "Baudrate|9600|115200"},
        {"Pulse width:", "750", "0110002C000204000002EE70CE", "Pulse width|1000|750"},
        {"EPD threshold:", "2500", "0110003200020444FA000045A3", "EPD threshold|500.00|2000"},
        {"Meter address:", "300", "0106001B012CF980", "Meter address|1|300"},
        {"Meter address:", "-1", "0106001B7FFF99BD", "Meter address|1|-1"},
        {"Meter size:", "80", "0110001800020442A00000E75F", "Meter size|50|80"},
        {"Zero point:", "-0.5", "01100022000204BF00000055BA", "Zero point|0.000|-0.5"},
        {"Transducer factor:", "12.34", "0110005A00020442F6CCCD1633",
         "Transducer factor|12.340|123.4"},
        {"Flow totalizer:", "123456", "011000530002040001E240AE16", "Flow totalizer|123456|123456"},
        {"Sensor Serial:", "ABCDEFGHIJ", "0110003900050A4A494847464544434241A5E9",
         "Sensor Serial|SN20240001|ABCDEFGHIJ"},
        {"Meter sleep:", "ON", "0106005C00018818", "Meter sleep|OFF|ON"},
        {"Parity check:", "ODD", "01060064000109D5", "Parity check|NONE|ODD"},
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
        EXPECT_EQ(rows.last(), QStringLiteral("2|RX71000001|") + QString::fromUtf8(c.logged));
        const Parameter& s = parameter(c.caption);
        EXPECT_FALSE(form().allowWriteBox(s)->isChecked());
        EXPECT_FALSE(form().writeButton(s)->isVisibleTo(window.get()));
        EXPECT_TRUE(form().isLocked(s));
        // The read-back runs the "Read" steps: the port is set up afresh
        // after the request was handed over.
        EXPECT_TRUE(readBackStarted());
        EXPECT_TRUE(form().text(s).isEmpty());
        EXPECT_TRUE(port.calls.contains("close"));
        EXPECT_TRUE(port.isOpen());
    }
}

TEST_F(ParameterWindowTest, EpdThresholdAboveTheLimitGoesOutAs2000WithTheNotice) {
    readMeter();
    QStringList shownDuringWrite;
    const Parameter& epd = parameter("EPD threshold:");
    QObject::connect(form().textField(epd), &QLineEdit::textChanged,
                     [&](const QString& text) { shownDuringWrite << text; });
    writeField("EPD threshold:", "2500");
    EXPECT_EQ(shownDuringWrite, (QStringList{"2500", "2000", ""}));
    EXPECT_EQ(window->statusText(), "Notice:  EPD threshold:0-2000!");

    // Below 0 is let through.
    readMeter();
    writeField("EPD threshold:", "-5");
    EXPECT_EQ(hex(port.written).value(0).mid(14, 8), "C0A00000");
    EXPECT_EQ(window->statusText(), "");
}

TEST_F(ParameterWindowTest, FailedWritesSendAndLogNothing) {
    struct Case {
        const char* caption;
        QString text;
        QString address;
        const char* notice;
        bool staysUnlocked; // only the serial length check leaves the box ticked
    };
    const Case cases[] = {
        {"Damping:", "abc", "1", "Notice:  Damping: Error!", false},
        {"Damping:", "", "1", "Notice:  Damping: Error!", false},
        {"Flow cutoff:", "1,5", "1", "Notice:  Flow cutoff: Error!", false},
        {"Zero point:", "zero", "1", "Notice:  Zero point: Error!", false},
        {"EPD threshold:", "high", "1", "Notice:  EPD threshold:0-2000!", false},
        // Refused rather than written as 0.
        {"Transducer factor:", "abc", "1", "Notice:  Transducer factor: Error!", false},
        // An emptied list has no code to send.
        {"Flow rate unit:", "", "1", "Notice:  com:  Error!", false},
        {"Pulse width:", "", "1", "Notice:  Pulse width: Error!", false},
        {"Damping:", "5", "", "Notice:  Damping: Error!", false},
        {"Damping:", "5", "256", "Notice:  Damping: Error!", false},
        {"Meter sleep:", "ON", "300", "Notice:  com:  Error!", false},
        {"Transducer serial#:", "RX7100001", "1", "Notice:  Transducer serial#: Error!  length=10 ",
         true},
        {"Sensor Serial:", "ABCDEFGHIJK", "1", "Notice:  Sensor Serial: Error!  length=10 ", true},
        {"Sensor Serial:", QStringLiteral(u"ABCDEFGHI\u4E2D"), "1",
         "Notice:  Sensor Serial: Error!", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption + (" " + c.text.toStdString()) + " @" + c.address.toStdString());
        window->meterAddressList()->setEditText(c.address);
        writeField(c.caption, c.text);
        EXPECT_EQ(window->statusText(), QString::fromUtf8(c.notice));
        EXPECT_TRUE(port.written.isEmpty());
        EXPECT_TRUE(logRows().isEmpty());
        EXPECT_EQ(window->readSequence().timer().interval(), 0);
        const Parameter& s = parameter(c.caption);
        EXPECT_EQ(form().allowWriteBox(s)->isChecked(), c.staysUnlocked);
        EXPECT_EQ(form().writeButton(s)->isVisibleTo(window.get()), c.staysUnlocked);
        form().lock(s);
    }
}

TEST_F(ParameterWindowTest, AWriteThePortRefusesIsNotLogged) {
    port.close();
    writeField("Damping:", "5");
    EXPECT_EQ(window->statusText(), "Notice:  Damping: Error!");
    EXPECT_TRUE(logRows().isEmpty());
}

TEST_F(ParameterWindowTest, AnEmptyMeterListLeavesNothingToSendTo) {
    StartingDatabase::Options options;
    options.meters = QList<int>{};
    open(options);
    EXPECT_TRUE(window->meterAddressList()->currentText().isEmpty());

    // The read sequence runs on without a request to send.
    window->read();
    for (int tick = 0; tick < 5; ++tick)
        window->readTimerTick();
    EXPECT_EQ(window->statusText(), "Notice:  com:  Error!");
    EXPECT_EQ(window->readSequence().timer().interval(), 0);

    writeField("Flow cutoff:", "1");
    EXPECT_EQ(window->statusText(), "Notice:  Flow cutoff: Error!");
    writeField("Digital output type:", "Pulse");
    EXPECT_EQ(window->statusText(), "Notice:  com:  Error!");
    EXPECT_TRUE(port.written.isEmpty());
    EXPECT_TRUE(logRows().isEmpty());
}

TEST_F(ParameterWindowTest, MeterAddressListFollowsTheMeterList) {
    StartingDatabase::Options options;
    options.meters = QList<int>{12, 3, 200};
    open(options);
    QComboBox* list = window->meterAddressList();
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->itemText(0), "3");
    EXPECT_EQ(list->itemText(2), "200");
    EXPECT_EQ(list->currentText(), "3");
    list->setCurrentIndex(1);
    readMeter();
    writeField("Damping:", "5");
    EXPECT_EQ(hex(port.written).value(0).left(4), "0C06");
}

TEST_F(ParameterWindowTest, StatusLineAfterASuccessfulWrite) {
    struct Case {
        const char* caption;
        QString text;
        bool keepsNotice;
    };
    const Case cases[] = {{"Flow rate unit:", "GPM", false},
                          {"Damping:", "4", false},
                          {"Parity check:", "EVEN", true},
                          {"Pulse width:", "500", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        readMeter();
        writeField("Damping:", "x");
        ASSERT_EQ(window->statusText(), "Notice:  Damping: Error!");
        writeField(c.caption, c.text);
        ASSERT_EQ(port.written.size(), 1);
        EXPECT_EQ(window->statusText(),
                  c.keepsNotice ? QStringLiteral("Notice:  Damping: Error!") : QString());
    }
}

TEST_F(ParameterWindowTest, WriteBeforeTheFirstReadLogsAnEmptyValueAsRead) {
    writeField("Damping:", "4");
    EXPECT_EQ(logRows(), QStringList{"2||Damping||4"});
}

TEST_F(ParameterWindowTest, ReadFailsWhenThePortOrTheSettingsFail) {
    port.openResult = PortError::PortBusy;
    window->read();
    EXPECT_EQ(window->statusText(), "Notice:  com:  Error!");
    EXPECT_EQ(window->readSequence().timer().interval(), 0);

    port.openResult = PortError::None;
    port.open();
    ASSERT_TRUE(folder->exec("delete from kente"));
    port.calls.clear();
    window->read();
    EXPECT_EQ(window->statusText(), "Notice:  com:  Error!");
    EXPECT_EQ(port.calls, QStringList{"close"}); // ends at the missing row
    EXPECT_EQ(window->readSequence().timer().interval(), 0);
}

TEST_F(ParameterWindowTest, AllowWriteUnlocksTheFieldAndShowsWrite) {
    const Parameter& damping = parameter("Damping:");
    QLineEdit* field = form().textField(damping);
    QCheckBox* box = form().allowWriteBox(damping);
    window->show();
    EXPECT_TRUE(field->isReadOnly());
    box->click();
    EXPECT_FALSE(field->isReadOnly());
    EXPECT_TRUE(form().writeButton(damping)->isVisible());
    QTest::keyClicks(field, "17");
    box->click();
    EXPECT_TRUE(field->isReadOnly());
    EXPECT_FALSE(form().writeButton(damping)->isVisible());
    EXPECT_EQ(field->text(), "17");

    // Shown only: nothing unlocks them.
    for (const char* caption : {"Language:", "Flow direction:", "x1:", "Communication interval:"}) {
        EXPECT_FALSE(form().allowWriteBox(parameter(caption))->isEnabled()) << caption;
        EXPECT_FALSE(form().field(parameter(caption))->isEnabled()) << caption;
    }

    // A locked list cannot be changed from the keyboard; an unlocked one can.
    const Parameter& unit = parameter("Flow rate unit:");
    ParameterList* list = form().listField(unit);
    list->setText("LPM");
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(list->text(), "LPM");
    form().allowWriteBox(unit)->setChecked(true);
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(list->text(), "LPS");
}

TEST_F(ParameterWindowTest, TypingLimits) {
    struct Case {
        const char* caption;
        const char* typed;
        const char* shown;
    };
    const Case cases[] = {{"Flow totalizer:", "12a3", "123"},
                          {"Measurement interval:", "-5", "5"},
                          {"Meter address:", "2555", "255"},
                          {"Transducer serial#:", "RX71000001X", "RX71000001"},
                          {"Damping:", "abc", "abc"}};
    for (const Case& c : cases) {
        const Parameter& s = parameter(c.caption);
        form().allowWriteBox(s)->setChecked(true);
        QTest::keyClicks(form().textField(s), c.typed);
        EXPECT_EQ(form().text(s), c.shown) << c.caption;
    }
    // What the meter reports is shown whole, however long.
    form().setText(parameter("Meter address:"), "1000");
    EXPECT_EQ(form().text(parameter("Meter address:")), "1000");
}

TEST_F(ParameterWindowTest, DigitalOutputTypeDecidesWhichOutputCanBeWritten) {
    const Parameter& type = parameter("Digital output type:");
    const Parameter& span = parameter("Frquency output span:");
    const Parameter& kFactor = parameter("K factor:");
    form().allowWriteBox(span)->setChecked(true);
    ParameterList* list = form().listField(type);

    // The decoders' text changes nothing.
    window->setFieldText("Digital output type:", "Pulse");
    EXPECT_TRUE(form().field(span)->isEnabled());

    list->setText("Frequency");
    form().allowWriteBox(type)->setChecked(true);
    QTest::keyClick(list, Qt::Key_Down); // picks "Pulse"
    ASSERT_EQ(list->text(), "Pulse");
    EXPECT_FALSE(form().field(span)->isEnabled());
    EXPECT_FALSE(form().allowWriteBox(span)->isEnabled());
    EXPECT_FALSE(form().allowWriteBox(span)->isChecked());
    EXPECT_TRUE(form().isLocked(span));
    EXPECT_TRUE(form().field(kFactor)->isEnabled());
    EXPECT_TRUE(form().allowWriteBox(kFactor)->isEnabled());

    QTest::keyClick(list, Qt::Key_Up); // picks "Frequency"
    EXPECT_TRUE(form().field(span)->isEnabled());
    EXPECT_TRUE(form().allowWriteBox(span)->isEnabled());
    EXPECT_TRUE(form().isLocked(span));
    EXPECT_FALSE(form().field(kFactor)->isEnabled());
    EXPECT_FALSE(form().allowWriteBox(kFactor)->isEnabled());
}

TEST_F(ParameterWindowTest, EveryFieldIsNamedByItsCaption) {
    for (const Parameter* s : form().parameters()) {
        const QString caption = s->captionText();
        SCOPED_TRACE(caption.toStdString());
        EXPECT_EQ(form().label(*s)->text(), caption);
        EXPECT_EQ(form().label(*s)->buddy(), form().field(*s));
        EXPECT_EQ(form().field(*s)->accessibleName(), caption);
        EXPECT_EQ(form().allowWriteBox(*s)->accessibleName(), "Allow write " + caption);
        EXPECT_EQ(form().writeButton(*s)->accessibleName(), "Write " + caption);
        EXPECT_EQ(form().field(*s)->isEnabled(), s->writtenIn(ParameterWindowKind::Full));
    }
    EXPECT_EQ(form().parameters().size(), 43);
    EXPECT_EQ(form().listField(parameter("Flow totalizer unit:"))->itemText(0), "gal");
    EXPECT_EQ(window->baudRateList()->currentText(), "9600");
    EXPECT_EQ(window->parityList()->currentText(), "EVEN");
}

// Records what the dispatcher puts into a window.
struct RecordingFields : ParameterFields {
    QStringList texts;
    void setFieldText(const QString& caption, const QString& text) override {
        texts << caption + text;
    }
};

TEST(ParameterBlockDispatcher, FillsEveryRegisteredWindow) {
    ParameterBlockDispatcher dispatcher;
    RecordingFields first;
    RecordingFields second;
    dispatcher.add(&first);
    dispatcher.add(&second);
    dispatcher.add(&second);
    const QString disable = HexText::fromBytes(replyFrame(2, {{0, u16(1)}}));
    dispatcher.dispatch(ReplyKind::Block4, disable);
    EXPECT_EQ(first.texts, QStringList{"Empty Pipe Detection Switch:Disable"});
    EXPECT_EQ(second.texts, first.texts);

    dispatcher.remove(&first);
    QString damaged = disable;
    damaged[damaged.size() - 1] = damaged.back() == u'0' ? u'1' : u'0';
    dispatcher.dispatch(ReplyKind::Block4, damaged);
    dispatcher.dispatch(ReplyKind::RealTime, disable);
    dispatcher.dispatch(ReplyKind::Block4, HexText::fromBytes(replyFrame(2, {{0, u16(0x0100)}})));
    EXPECT_EQ(first.texts.size(), 1);
    EXPECT_EQ(second.texts, (QStringList{"Empty Pipe Detection Switch:Disable",
                                         "Empty Pipe Detection Switch:Enable"}));
}

} // namespace
