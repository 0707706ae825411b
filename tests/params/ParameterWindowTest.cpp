#include "ParameterWindow.h"
#include "BasicParameterWindow.h"
#include "FakeSerialPort.h"
#include "ParameterBlockDispatcher.h"
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
#include <QStatusBar>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// One meter's four parameter blocks as it sends them (serials last character first).
inline QList<QByteArray> meterBlocks(const QByteArray& serial = "10000017XR") {
    return {replyFrame(44, {Put{0, f32(50)}, Put{4, u16(1)}, Put{6, u16(1)}, Put{8, u16(4)},
                            Put{10, u16(5)}, Put{12, u16(7)}, Put{14, f32(60)}, Put{24, f32(0.5f)},
                            Put{28, u16(3)}, Put{30, u16(6)}, Put{36, f32(1)}, Put{40, u32(1000)}}),
            replyFrame(50, {Put{0, f32(1000)}, Put{4, f32(50)}, Put{8, f32(500)}, Put{12, f32(1)},
                            Put{16, f32(1)}, Put{20, u16(1)}, Put{22, "10004202NS"}}),
            replyFrame(60, {Put{24, u32(123456)}, Put{28, u32(7)}, Put{32, u16(1)},
                            Put{34, f32(2.5f)}, Put{38, f32(123.4f)}, Put{48, serial}}),
            replyFrame(2, {})};
}

inline QStringList hex(const QList<QByteArray>& frames) {
    QStringList texts;
    for (const QByteArray& frame : frames)
        texts << QString::fromLatin1(frame.toHex().toUpper());
    return texts;
}

inline const Parameter& parameter(const char* caption) {
    for (const Parameter& found : ParameterTable::all())
        if (found.captionText() == QString::fromUtf8(caption))
            return found;
    ADD_FAILURE() << "no parameter " << caption;
    return ParameterTable::all().front();
}

// A parameter window of type W on a fake port, replies reaching it through the dispatcher.
template <class W> class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override { open({}); }

    void open(const StartingDatabase::Options& options, bool withDatabase = true) {
        window.reset();
        folder = std::make_unique<ProgramFolder>(options, withDatabase);
        ASSERT_TRUE(folder->ok());
        port.setPortNumber(1);
        port.open();
        port.calls.clear();
        port.written.clear();
        window = std::make_unique<W>(folder->path(), exchange, dispatcher);
    }

    ParameterForm& form() { return window->form(); }
    // "Read" and the five ticks, the meter answering each request at once.
    void readMeter(ParameterWindowBase* other = nullptr) {
        ParameterWindowBase& w = other ? *other : *window;
        w.read();
        for (const QByteArray& block : meterBlocks()) {
            w.readSequence().tick();
            port.deliver(block);
        }
        w.readSequence().tick();
        port.written.clear();
        port.calls.clear();
    }

    // Ticks "Allow write", puts the text into the field and presses "Write".
    void writeField(const char* caption, const QString& text,
                    ParameterWindowBase* other = nullptr) {
        ParameterForm& f = other ? other->form() : form();
        f.allowWriteBox(parameter(caption))->setChecked(true);
        f.setText(parameter(caption), text);
        f.writeButton(parameter(caption))->click();
    }

    QStringList logRows() const {
        return folder->rows(QStringLiteral(
            "select quanxian,bianma,xiangmu,dudao,xieru from caozuo order by rowid"));
    }

    FakeSerialPort port;
    SerialExchange exchange{port};
    ParameterBlockDispatcher dispatcher;
    std::unique_ptr<ProgramFolder> folder;
    std::unique_ptr<W> window;
    QMetaObject::Connection replies =
        QObject::connect(&exchange, &SerialExchange::replyReceived, &dispatcher,
                         &ParameterBlockDispatcher::dispatch);
};

using ParameterWindowTest = WindowFixture<ParameterWindow>;
using BasicParameterWindowTest = WindowFixture<BasicParameterWindow>;

// The full window sets its own line on opening and on "Read".
TEST_F(ParameterWindowTest, OpeningAndReadSetTheWindowsLineOnTheStoredPort) {
    StartingDatabase::Options options;
    options.com = 2;
    options.settings = QStringLiteral("19200");
    options.noe = 1;
    open(options);
    EXPECT_EQ(port.calls, (QStringList{"close", "open 2", "settings 9600,e,8,1"}));
    window->parityList()->setCurrentText("ODD");
    window->baudRateList()->setCurrentText("19200");
    port.calls.clear();
    window->readButton()->click();
    EXPECT_EQ(port.calls, (QStringList{"close", "open 2", "settings 19200,o,8,1"}));
}

// Each window's fields (and how many can be unlocked) start locked. "Read"
// empties them, but not a hidden box, sends four block requests on four ticks
// and on the fifth takes every field's text as its value as read.
TEST_F(ParameterWindowTest, ReadSendsFourBlockRequestsAndTakesValuesOnTheFifthTick) {
    BasicParameterWindow basic(folder->path(), exchange, dispatcher);
    const QStringList requests{"0103001800164403", "0103002E0019E409", "01030047001E75D7",
                               "0103006500019415"};
    for (auto [w, fields, writable] :
         {std::tuple<ParameterWindowBase*, int, int>{window.get(), 43, 27}, {&basic, 13, 10}}) {
        ParameterForm& f = w->form();
        ASSERT_EQ(f.parameters().size(), fields);
        int unlockable = 0;
        for (const Parameter* s : f.parameters()) {
            EXPECT_TRUE(f.isLocked(*s));
            unlockable += f.allowWriteBox(*s)->isEnabled();
            f.setText(*s, "old");
        }
        EXPECT_EQ(unlockable, writable);
        basic.serialNumberBox()->setText("old");
        w->read();
        w->readSequence().tick(); // pressed again while it runs: anew from the first block
        port.written.clear();
        w->read();
        EXPECT_EQ(basic.serialNumberBox()->text(), "old");
        for (const Parameter* s : f.parameters())
            EXPECT_TRUE(f.text(*s).isEmpty());
        for (int tick = 0; tick < 4; ++tick) {
            w->readSequence().tick();
            EXPECT_EQ(hex(port.written), requests.mid(0, tick + 1));
            port.deliver(meterBlocks()[tick]);
        }
        for (const Parameter* s : f.parameters())
            EXPECT_TRUE(f.valueAsRead(*s).isEmpty());
        w->readSequence().tick();
        EXPECT_EQ(port.written.size(), 4);
        EXPECT_EQ(w->readSequence().timer().interval().count(), 0);
        for (const Parameter* s : f.parameters()) {
            EXPECT_FALSE(f.text(*s).isEmpty()) << s->captionText().toStdString();
            EXPECT_EQ(f.valueAsRead(*s), f.text(*s));
        }
        port.written.clear();
    }
}

// On the full window, or the basic one where marked: a write sends, logs at level 2 or 1,
// clears or keeps the notice and reads back; a refused one sends and logs nothing.
TEST_F(ParameterWindowTest, WritesSendLogAndReadBackOrAreRefused) {
    BasicParameterWindow basic(folder->path(), exchange, dispatcher);
    struct Case {
        const char* caption;
        QString text;
        const char* frame;  // "" when refused
        const char* result; // the logged xiangmu|dudao|xieru, or the notice
        bool onBasic = false;
        const char* address = "1";
        bool keeps = false; // written: the notice stays; refused: the box stays ticked
    };
    const Case cases[] = {
        {"Damping:", "5", "010600260005A802", "Damping|3|5"},
        {"Flow rate unit:", "GPM", "0106001E0003A9CD", "Flow rate unit|CMH|GPM"},
        {"Pulse width:", "750", "0110002C000204000002EE70CE", "Pulse width|1000|750", false, "1",
         true},
        {"EPD threshold:", "-5", "01100032000204C0A000004D40", "EPD threshold|500.00|-5"},
        {"Transducer factor:", "12.34", "0110005A00020442F6CCCD1633",
         "Transducer factor|12.340|123.4"},
        {"Sensor Serial:", QStringLiteral(u"\u00E9123456789"),
         "0110003900050A393837363534333231E901D5", "Sensor Serial|SN20240001|\u00E9123456789"},
        {"Parity check:", "ODD", "01060064000109D5", "Parity check|NONE|ODD", false, "1", true},
        {"Language:", "Chinese", "0106001A0000A80D", "Language|English|Chinese", true},
        {"Digital output type:", "Pulse", "01060029000199C2", "Pulse output type|Frequency|Pulse",
         true},
        {"K factor:", "2.5", "0110002A0002044020000065C2", "Pulse output unit|1.00|2.5", true},
        // Refused rather than written as 0.
        {"Transducer factor:", "abc", "", "Notice:  Transducer factor: Error!"},
        {"Flow rate unit:", "", "", "Notice:  com:  Error!"},
        {"Damping:", "5", "", "Notice:  Damping: Error!", false, ""},
        {"Meter sleep:", "ON", "", "Notice:  com:  Error!", false, "300"},
        {"Transducer serial#:", "RX7100001", "", "Notice:  Transducer serial#: Error!  length=10 ",
         false, "1", true},
        {"Sensor Serial:", QStringLiteral(u"ABCDEFGHI\u4E2D"), "",
         "Notice:  Sensor Serial: Error!"},
        {"Language:", "", "", "Notice:  com:  Error!", true},
        {"K factor:", "", "", "Notice:  Pulse output unit:  Error!", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        ParameterWindowBase& w = c.onBasic ? static_cast<ParameterWindowBase&>(basic) : *window;
        readMeter(&w);
        ASSERT_TRUE(folder->exec("delete from caozuo"));
        w.statusBar()->findChild<QLabel*>()->setText("old");
        w.meterAddressList()->setEditText(c.address);
        writeField(c.caption, c.text, &w);

        const Parameter& s = parameter(c.caption);
        EXPECT_EQ(w.form().allowWriteBox(s)->isChecked(), !*c.frame && c.keeps);
        w.form().lock(s);
        if (!*c.frame) {
            EXPECT_EQ(w.statusText(), QString::fromUtf8(c.result));
            EXPECT_TRUE(port.written.isEmpty());
            EXPECT_TRUE(logRows().isEmpty());
            EXPECT_EQ(w.readSequence().timer().interval().count(), 0);
            continue;
        }
        EXPECT_EQ(hex(port.written), QStringList{c.frame});
        EXPECT_EQ(logRows(), QStringList{(c.onBasic ? "1|RX71000001|" : "2|RX71000001|") +
                                         QString::fromUtf8(c.result)});
        EXPECT_EQ(w.statusText(), c.keeps ? "old" : "");
        EXPECT_TRUE(w.form().text(s).isEmpty());
        const QStringList setUp{"close", "open 1", "settings 9600,e,8,1"};
        EXPECT_EQ(port.calls, setUp.mid(0, c.onBasic ? 2 : 3)); // the basic window keeps the line
        EXPECT_EQ(w.readSequence().timer().interval(), ParameterReadSequence::Step);
    }

    // Nor is a write the port refuses logged.
    port.close();
    writeField("Damping:", "5");
    EXPECT_EQ(window->statusText(), "Notice:  Damping: Error!");
    EXPECT_TRUE(logRows().isEmpty());
}

TEST_F(ParameterWindowTest, EpdThresholdAboveTheLimitGoesOutAs2000WithTheNotice) {
    readMeter();
    writeField("EPD threshold:", "2500");
    EXPECT_EQ(hex(port.written), QStringList{"0110003200020444FA000045A3"});
    EXPECT_EQ(logRows(), QStringList{"2|RX71000001|EPD threshold|500.00|2000"});
    EXPECT_EQ(window->statusText(), "Notice:  EPD threshold:0-2000!");
}

TEST_F(ParameterWindowTest, TheMeterAddressListFollowsTheMeterList) {
    StartingDatabase::Options options;
    options.meters = QList<int>{12, 3, 200};
    open(options);
    QComboBox* list = window->meterAddressList();
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->currentText(), "3");
    list->setCurrentIndex(1);
    window->read();
    window->readSequence().tick();
    EXPECT_EQ(hex(port.written).value(0).left(4), "0C03");

    // With no meter listed the read sequence runs on without a request to send.
    options.meters = QList<int>{};
    open(options);
    window->read();
    for (int tick = 0; tick < 5; ++tick)
        window->readSequence().tick();
    EXPECT_EQ(window->statusText(), "Notice:  com:  Error!");
    EXPECT_TRUE(port.written.isEmpty());
}

TEST_F(ParameterWindowTest, ReadFailsWithoutTheSettingsRow) {
    ASSERT_TRUE(folder->exec("delete from kente"));
    port.calls.clear();
    window->read();
    EXPECT_EQ(port.calls, QStringList{"close"}); // ends at the missing row
    EXPECT_EQ(window->statusText(), "Notice:  com:  Error!");
    EXPECT_EQ(window->readSequence().timer().interval().count(), 0);
}

TEST_F(ParameterWindowTest, TypingLimits) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"Flow totalizer:", "12a3", "123"},
        {"Measurement interval:", "-5", "5"},
        {"Meter address:", "2555", "255"},
        {"Transducer serial#:", "RX71000001X", "RX71000001"}};
    for (const auto& [caption, typed, shown] : cases) {
        const Parameter& s = parameter(caption);
        form().allowWriteBox(s)->setChecked(true);
        QTest::keyClicks(form().textField(s), typed);
        EXPECT_EQ(form().text(s), shown) << caption;
    }
}

TEST_F(ParameterWindowTest, DigitalOutputTypeDecidesWhichOutputCanBeWritten) {
    const Parameter& type = parameter("Digital output type:");
    const Parameter& span = parameter("Frquency output span:");
    form().allowWriteBox(span)->setChecked(true);
    ParameterList* list = form().listField(type);
    window->setFieldText(type.reg, "Pulse"); // the decoders' text changes nothing
    EXPECT_TRUE(form().field(span)->isEnabled());

    // A locked list cannot be changed from the keyboard; an unlocked one can.
    list->setText("Frequency");
    QTest::keyClick(list, Qt::Key_Down);
    ASSERT_EQ(list->text(), "Frequency");
    form().allowWriteBox(type)->setChecked(true);
    QTest::keyClick(list, Qt::Key_Down);
    ASSERT_EQ(list->text(), "Pulse");
    // Field enabled, "Allow write" enabled, "Allow write" ticked.
    const auto state = [&](const Parameter& p) {
        return std::tuple{form().field(p)->isEnabled(), form().allowWriteBox(p)->isEnabled(),
                          form().allowWriteBox(p)->isChecked()};
    };
    EXPECT_EQ(state(span), std::tuple(false, false, false));
    EXPECT_EQ(state(parameter("K factor:")), std::tuple(true, true, false));

    QTest::keyClick(list, Qt::Key_Up);
    EXPECT_EQ(state(span), std::tuple(true, true, false));
    EXPECT_EQ(state(parameter("K factor:")), std::tuple(false, false, false));
}

TEST_F(BasicParameterWindowTest, WithoutADatabaseItOpensEmptyAndEveryActionFails) {
    open({}, false);
    EXPECT_EQ(window->meterAddressList()->count(), 0);
    EXPECT_TRUE(port.calls.isEmpty());
    // Even with an address, a write that could not be logged is not sent.
    window->meterAddressList()->setEditText("1");
    writeField("K factor:", "2");
    EXPECT_EQ(window->statusText(),
              ParameterWriter::logFailureNotice("the database file could not be opened"));
    EXPECT_TRUE(port.written.isEmpty());
}

TEST_F(BasicParameterWindowTest, ShownOnlyParametersAreNeverWrittenNorAClosedWindowFilled) {
    for (const char* caption : {"Meter sleep:", "Meter address:", "EPD threshold:", "Damping:"})
        EXPECT_EQ(window->write(parameter(caption)), ParameterWriter::Result::Failed) << caption;
    EXPECT_TRUE(port.written.isEmpty());
    // Before any reply the row has neither serial number nor value as read.
    writeField("Flow direction:", "Reverse");
    EXPECT_EQ(logRows(), QStringList{"1||Flow direction||Reverse"});

    ParameterWindow full(folder->path(), exchange, dispatcher);
    window.reset();
    port.deliver(meterBlocks("40000017XR")[2]);
    EXPECT_EQ(full.form().text(ParameterTable::serialNumber()), "RX71000004");
}

struct RecordingFields : ParameterFields {
    QStringList texts;
    void setFieldText(int reg, const QString& text) override {
        texts << QString::number(reg) + ':' + text;
    }
};

// Only whole parameter blocks fill a window, once however often it was added.
TEST(ParameterBlockDispatcher, FillsItsWindowsFromWholeBlocksOnly) {
    ParameterBlockDispatcher dispatcher;
    RecordingFields fields;
    dispatcher.add(&fields);
    dispatcher.add(&fields);
    const QString disable = HexText::fromBytes(replyFrame(2, {{0, u16(1)}}));
    QString damaged = disable;
    damaged[damaged.size() - 1] = damaged.back() == u'0' ? u'1' : u'0';
    dispatcher.dispatch(ReplyKind::Block4, damaged);
    dispatcher.dispatch(ReplyKind::RealTime, disable);
    dispatcher.dispatch(ReplyKind::Block4, disable);
    EXPECT_EQ(fields.texts, QStringList{"101:Disable"});
}

} // namespace
