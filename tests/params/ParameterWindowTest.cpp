#include "ParameterWindow.h"
#include "BasicParameterWindow.h"
#include "ParameterFields.h"
#include "WindowFixture.h"

#include <QLabel>
#include <QMap>
#include <QSignalSpy>
#include <QTest>
#include <functional>

namespace {

using ParameterWindowTest = WindowFixture<ParameterWindow>;

TEST_F(ParameterWindowTest, OpeningSetsTheWindowsLineAndReadTheChosenOne) {
    StartingDatabase::Options options;
    options.com = 2;
    options.settings = QStringLiteral("19200");
    options.noe = 1;
    open(options);
    // The settings row gives the port; the window's own lists the line.
    EXPECT_EQ(port.calls, (QStringList{"close", "open 2", "settings 9600,e,8,1"}));

    port.calls.clear();
    window->parityList()->setCurrentText("ODD");
    window->baudRateList()->setCurrentText("19200");
    EXPECT_TRUE(port.calls.isEmpty());
    window->readButton()->click();
    EXPECT_EQ(port.calls, (QStringList{"close", "open 2", "settings 19200,o,8,1"}));
}

// "Read" in either window: the fields emptied, four block requests on four
// ticks, and on the fifth every field's text taken as its value as read.
TEST_F(ParameterWindowTest, ReadSendsFourBlockRequestsAndTakesValuesOnTheFifthTick) {
    BasicParameterWindow basic(folder->path(), exchange, dispatcher);
    const QStringList requests{"0103001800164403", "0103002E0019E409", "01030047001E75D7",
                               "0103006500019415"};
    struct Case {
        ParameterWindowBase* window;
        qsizetype fields;
        QMap<QString, QString> shown; // a few fields not checked through a write's log
        std::function<QString()> serialNumber;
        const char* serialAfterRead; // the basic window's hidden box keeps its text
    };
    const Case cases[] = {
        {window.get(),
         43,
         {{"Damping:", "3"}, {"Excitation mode:", "MODE2"}, {"x1:", "0.00"}},
         [&] { return form().text(ParameterTable::serialNumber()); },
         ""},
        {&basic,
         13,
         {{"Meter address:", "1"}, {"EPD threshold:", "500.00"}, {"Meter sleep:", "OFF"}},
         [&] { return basic.serialNumberBox()->text(); },
         "old"},
    };
    for (const Case& c : cases) {
        ParameterWindowBase& w = *c.window;
        ParameterForm& f = w.form();
        SCOPED_TRACE(w.metaObject()->className());
        ASSERT_EQ(f.parameters().size(), c.fields);
        for (const Parameter* s : f.parameters())
            f.setText(*s, "old");
        basic.serialNumberBox()->setText("old");

        w.read();
        for (const Parameter* s : f.parameters())
            EXPECT_TRUE(f.text(*s).isEmpty()) << s->captionText().toStdString();
        EXPECT_EQ(c.serialNumber(), c.serialAfterRead);
        EXPECT_TRUE(port.written.isEmpty());
        EXPECT_EQ(w.readSequence().timer().interval(), ParameterReadSequence::Step);

        const QList<QByteArray> blocks = meterBlocks();
        for (int tick = 0; tick < 4; ++tick) {
            w.readSequence().tick();
            EXPECT_EQ(hex(port.written), requests.mid(0, tick + 1));
            port.deliver(blocks[tick]);
        }
        for (const Parameter* s : f.parameters())
            EXPECT_TRUE(f.valueAsRead(*s).isEmpty()) << s->captionText().toStdString();

        w.readSequence().tick();
        EXPECT_EQ(port.written.size(), 4);
        EXPECT_EQ(w.readSequence().step(), 0);
        EXPECT_EQ(w.readSequence().timer().interval().count(), 0);
        for (const Parameter* s : f.parameters()) {
            const QString caption = s->captionText();
            EXPECT_FALSE(f.text(*s).isEmpty()) << caption.toStdString();
            EXPECT_EQ(f.text(*s), c.shown.value(caption, f.text(*s))) << caption.toStdString();
            EXPECT_EQ(f.valueAsRead(*s), f.text(*s)) << caption.toStdString();
        }
        EXPECT_EQ(c.serialNumber(), "RX71000001");
        port.written.clear();
    }

    // A late reply still shows, but the value as read, and logged, stays.
    const Parameter& damping = parameter("Damping:");
    port.deliver(replyFrame(44, {{28, u16(9)}}));
    EXPECT_EQ(form().text(damping), "9");
    writeField("Damping:", "5");
    EXPECT_EQ(logRows(), QStringList{"2|RX71000001|Damping|3|5"});
}

// Each row on the full window, or on the basic one where marked: the frame
// sent, the row logged (at level 2 or 1) and the read-back started.
TEST_F(ParameterWindowTest, WritesSendLogAndReadBack) {
    BasicParameterWindow basic(folder->path(), exchange, dispatcher);
    struct Case {
        const char* caption;
        QString text;
        const char* frame;
        const char* logged; // xiangmu|dudao|xieru
        bool onBasic = false;
    };
    const Case cases[] = {
        {"Damping:", "5", "010600260005A802", "Damping|3|5"},
        {"Flow rate unit:", "GPM", "0106001E0003A9CD", "Flow rate unit|CMH|GPM"},
        {"Flow totalizer unit:", "ACRE In", "01060027000F79C5",
         "Flow totalizer unit|Cubic m|ACRE In"},
        {"Baudrate:", "115200", "0106001C000AC80B", "Baudrate|9600|115200"},
        {"Pulse width:", "750", "0110002C000204000002EE70CE", "Pulse width|1000|750"},
        {"Meter address:", "300", "0106001B012CF980", "Meter address|1|300"},
        {"Meter address:", "-1", "0106001B7FFF99BD", "Meter address|1|-1"},
        {"Meter size:", "80", "0110001800020442A00000E75F", "Meter size|50|80"},
        {"Zero point:", "-0.5", "01100022000204BF00000055BA", "Zero point|0.000|-0.5"},
        {"Transducer factor:", "12.34", "0110005A00020442F6CCCD1633",
         "Transducer factor|12.340|123.4"},
        {"Flow totalizer:", "123456", "011000530002040001E240AE16", "Flow totalizer|123456|123456"},
        {"Sensor Serial:", "ABCDEFGHIJ", "0110003900050A4A494847464544434241A5E9",
         "Sensor Serial|SN20240001|ABCDEFGHIJ"},
        // Sent last character first; any Latin-1 character goes as its byte.
        {"Sensor Serial:", QStringLiteral(u"\u00E9123456789"),
         "0110003900050A393837363534333231E901D5", "Sensor Serial|SN20240001|\u00E9123456789"},
        {"Meter sleep:", "ON", "0106005C00018818", "Meter sleep|OFF|ON"},
        {"Parity check:", "ODD", "01060064000109D5", "Parity check|NONE|ODD"},
        {"Empty Pipe Detection Switch:", "Disable", "0106006500015815",
         "Empty Pipe Detection Switch|Enable|Disable"},
        {"Language:", "Chinese", "0106001A0000A80D", "Language|English|Chinese", true},
        {"Meter span setup:", "80", "0110001F00020442A00000A6B9", "Meter span setup|60|80", true},
        {"Flow direction:", "Reverse", "0106002100011800", "Flow direction|Foward|Reverse", true},
        {"Reverse flow enable:", "Reverse", "010600280001C802",
         "Reverse flow enable|Foward|Reverse", true},
        {"Digital output type:", "Pulse", "01060029000199C2", "Pulse output type|Frequency|Pulse",
         true},
        {"K factor:", "2.5", "0110002A0002044020000065C2", "Pulse output unit|1.00|2.5", true},
        {"Frquency output span:", "1500", "0110002E00020444BB8000752E",
         "Frquency output span|1000.00|1500", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption + std::string(c.onBasic ? " on basic" : ""));
        ParameterWindowBase& w = c.onBasic ? static_cast<ParameterWindowBase&>(basic) : *window;
        readMeter(meterBlocks(), &w);
        const int rowsBefore = static_cast<int>(logRows().size());
        writeField(c.caption, c.text, &w);

        EXPECT_EQ(hex(port.written), QStringList{c.frame});
        const QStringList rows = logRows();
        ASSERT_EQ(rows.size(), rowsBefore + 1);
        EXPECT_EQ(rows.last(),
                  (c.onBasic ? "1|RX71000001|" : "2|RX71000001|") + QString::fromUtf8(c.logged));
        EXPECT_EQ(w.statusText(), "");
        const Parameter& s = parameter(c.caption);
        EXPECT_FALSE(w.form().allowWriteBox(s)->isChecked());
        EXPECT_FALSE(w.form().writeButton(s)->isVisibleTo(&w));
        EXPECT_TRUE(w.form().isLocked(s));
        // The read-back runs the "Read" steps: the fields emptied, the port
        // set up afresh after the request was handed over, the basic window
        // leaving the line as it is.
        EXPECT_TRUE(w.form().text(s).isEmpty());
        const QStringList setUp{"close", "open 1", "settings 9600,e,8,1"};
        EXPECT_EQ(port.calls, c.onBasic ? setUp.mid(0, 2) : setUp);
        EXPECT_EQ(w.readSequence().step(), 0);
        EXPECT_EQ(w.readSequence().timer().interval().count(), ParameterReadSequence::Step.count());
    }
}

TEST_F(ParameterWindowTest, EpdThresholdAboveTheLimitGoesOutAs2000WithTheNotice) {
    readMeter();
    QStringList shownDuringWrite;
    const Parameter& epd = parameter("EPD threshold:");
    QObject::connect(form().textField(epd), &QLineEdit::textChanged,
                     [&](const QString& text) { shownDuringWrite << text; });
    writeField("EPD threshold:", "2500");
    EXPECT_EQ(hex(port.written), QStringList{"0110003200020444FA000045A3"});
    EXPECT_EQ(logRows(), QStringList{"2|RX71000001|EPD threshold|500.00|2000"});
    EXPECT_EQ(shownDuringWrite, (QStringList{"2500", "2000", ""}));
    EXPECT_EQ(window->statusText(), "Notice:  EPD threshold:0-2000!");

    // Below 0 is let through.
    readMeter();
    writeField("EPD threshold:", "-5");
    EXPECT_EQ(hex(port.written).value(0).mid(14, 8), "C0A00000");
    EXPECT_EQ(window->statusText(), "");
}

// Each row on the full window, or on the basic one where marked.
TEST_F(ParameterWindowTest, FailedWritesSendAndLogNothing) {
    BasicParameterWindow basic(folder->path(), exchange, dispatcher);
    struct Case {
        const char* caption;
        QString text;
        QString address;
        const char* notice;
        bool staysUnlocked = false; // only the serial length check leaves the box ticked
        bool onBasic = false;
    };
    const Case cases[] = {
        {"Damping:", "abc", "1", "Notice:  Damping: Error!"},
        {"Flow cutoff:", "1,5", "1", "Notice:  Flow cutoff: Error!"},
        {"EPD threshold:", "high", "1", "Notice:  EPD threshold:0-2000!"},
        // Refused rather than written as 0.
        {"Transducer factor:", "abc", "1", "Notice:  Transducer factor: Error!"},
        // An emptied list has no code to send.
        {"Flow rate unit:", "", "1", "Notice:  com:  Error!"},
        {"Pulse width:", "", "1", "Notice:  Pulse width: Error!"},
        // No address, as with an empty meter list: the parameter's own notice,
        // or the port's for a list.
        {"Damping:", "5", "", "Notice:  Damping: Error!"},
        {"Damping:", "5", "256", "Notice:  Damping: Error!"},
        {"Meter sleep:", "ON", "300", "Notice:  com:  Error!"},
        {"Digital output type:", "Pulse", "", "Notice:  com:  Error!"},
        {"Transducer serial#:", "RX7100001", "1", "Notice:  Transducer serial#: Error!  length=10 ",
         true},
        {"Sensor Serial:", "ABCDEFGHIJK", "1", "Notice:  Sensor Serial: Error!  length=10 ", true},
        {"Sensor Serial:", QStringLiteral(u"ABCDEFGHI\u4E2D"), "1",
         "Notice:  Sensor Serial: Error!"},
        // An emptied list has no code: the language is not logged as written.
        {"Language:", "", "1", "Notice:  com:  Error!", false, true},
        {"Language:", "English", "", "Notice:  com:  Error!", false, true},
        {"Flow direction:", "Reverse", "256", "Notice:  com:  Error!", false, true},
        {"Meter span setup:", "abc", "1", "Notice:  Meter span setup:  Error!", false, true},
        {"K factor:", "", "1", "Notice:  Pulse output unit:  Error!", false, true},
        {"Frquency output span:", "x", "1", "Notice:  Frquency output span:  Error!", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption + (" " + c.text.toStdString()) + " @" + c.address.toStdString() +
                     (c.onBasic ? " on basic" : ""));
        ParameterWindowBase& w = c.onBasic ? static_cast<ParameterWindowBase&>(basic) : *window;
        w.meterAddressList()->setEditText(c.address);
        writeField(c.caption, c.text, &w);
        EXPECT_EQ(w.statusText(), QString::fromUtf8(c.notice));
        EXPECT_TRUE(port.written.isEmpty());
        EXPECT_TRUE(logRows().isEmpty());
        EXPECT_EQ(w.readSequence().timer().interval().count(), 0);
        const Parameter& s = parameter(c.caption);
        EXPECT_EQ(w.form().allowWriteBox(s)->isChecked(), c.staysUnlocked);
        EXPECT_EQ(w.form().writeButton(s)->isVisibleTo(&w), c.staysUnlocked);
        w.form().lock(s);
    }

    // Nor is a write the port refuses logged, on either window.
    port.close();
    window->meterAddressList()->setEditText("1");
    writeField("Damping:", "5");
    EXPECT_EQ(window->statusText(), "Notice:  Damping: Error!");
    basic.meterAddressList()->setEditText("1");
    writeField("Language:", "Chinese", &basic);
    EXPECT_EQ(basic.statusText(), "Notice:  com:  Error!");
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
        window->readSequence().tick();
    EXPECT_EQ(window->statusText(), "Notice:  com:  Error!");
    EXPECT_EQ(window->readSequence().timer().interval().count(), 0);

    // A write has no address: the parameter's own notice (more in
    // FailedWritesSendAndLogNothing).
    writeField("Flow cutoff:", "1");
    EXPECT_EQ(window->statusText(), "Notice:  Flow cutoff: Error!");
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
    EXPECT_EQ(window->readSequence().timer().interval().count(), 0);

    port.openResult = PortError::None;
    port.open();
    ASSERT_TRUE(folder->exec("delete from kente"));
    port.calls.clear();
    window->read();
    EXPECT_EQ(window->statusText(), "Notice:  com:  Error!");
    EXPECT_EQ(port.calls, QStringList{"close"}); // ends at the missing row
    EXPECT_EQ(window->readSequence().timer().interval().count(), 0);
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
    window->setFieldText(type.reg, "Pulse");
    EXPECT_TRUE(form().field(span)->isEnabled());

    // A locked list cannot be changed from the keyboard; an unlocked one can.
    list->setText("Frequency");
    QTest::keyClick(list, Qt::Key_Down);
    ASSERT_EQ(list->text(), "Frequency");
    form().allowWriteBox(type)->setChecked(true);
    QTest::keyClick(list, Qt::Key_Down); // picks "Pulse"
    ASSERT_EQ(list->text(), "Pulse");
    // Field enabled, "Allow write" enabled, "Allow write" ticked.
    const auto state = [&](const Parameter& p) {
        return std::tuple{form().field(p)->isEnabled(), form().allowWriteBox(p)->isEnabled(),
                          form().allowWriteBox(p)->isChecked()};
    };
    EXPECT_EQ(state(span), std::tuple(false, false, false));
    EXPECT_TRUE(form().isLocked(span));
    EXPECT_EQ(state(kFactor), std::tuple(true, true, false));

    QTest::keyClick(list, Qt::Key_Up); // picks "Frequency"
    EXPECT_EQ(state(span), std::tuple(true, true, false));
    EXPECT_TRUE(form().isLocked(span));
    EXPECT_EQ(state(kFactor), std::tuple(false, false, false));
}

// 43 fields in the full window, 27 of them writable; 13 in the basic one,
// 10 writable. Every field starts locked; columns stand side by side, each
// field below the one of the row above, no two sharing a place.
TEST_F(ParameterWindowTest, EachWindowPlacesItsFields) {
    BasicParameterWindow basic(folder->path(), exchange, dispatcher);
    for (auto [w, kind, shown, writable] :
         {std::tuple<ParameterWindowBase*, ParameterWindowKind, int, int>{
              window.get(), ParameterWindowKind::Full, 43, 27},
          {&basic, ParameterWindowKind::Basic, 13, 10}}) {
        w->show();
        const ParameterForm& form = w->form();
        EXPECT_EQ(form.parameters().size(), shown);
        int unlockable = 0;
        std::map<int, std::map<int, int>> tops;     // column -> row -> label top
        std::map<int, std::pair<int, int>> columns; // column -> leftmost label, rightmost button
        for (const Parameter* s : form.parameters()) {
            SCOPED_TRACE(s->captionText().toStdString());
            unlockable += form.allowWriteBox(*s)->isEnabled();
            EXPECT_FALSE(form.allowWriteBox(*s)->isChecked());
            EXPECT_TRUE(form.isLocked(*s));

            const FieldPlace place = s->placeIn(kind);
            const int left = form.label(*s)->geometry().left();
            const int right = form.writeButton(*s)->geometry().right();
            tops[place.column][place.row] = form.label(*s)->geometry().top();
            auto [it, fresh] = columns.try_emplace(place.column, left, right);
            it->second = {std::min(it->second.first, left), std::max(it->second.second, right)};
        }
        EXPECT_EQ(unlockable, writable);
        qsizetype placed = 0;
        for (const auto& [column, rows] : tops) {
            placed += qsizetype(rows.size());
            for (auto row = rows.begin(); std::next(row) != rows.end(); ++row)
                EXPECT_LT(row->second, std::next(row)->second) << column << "/" << row->first;
        }
        EXPECT_EQ(placed, form.parameters().size());
        for (auto column = columns.begin(); std::next(column) != columns.end(); ++column)
            EXPECT_LT(column->second.second, std::next(column)->second.first) << column->first;
    }
    EXPECT_EQ(basic.form().label(parameter("Empty Pipe Detection Switch:"))->text(), "EPD Enable:");
}

// Records what the dispatcher puts into a window.
struct RecordingFields : ParameterFields {
    QStringList texts;
    void setFieldText(int reg, const QString& text) override {
        texts << QString::number(reg) + ':' + text;
    }
};

// Only whole parameter blocks fill a window, once however often it was
// added. Closing a window takes it off: see BasicParameterWindowTest.
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

// Started again while it runs, it begins anew from the first block; a
// request it cannot build is told and the sequence goes on.
TEST(ParameterReadSequence, RestartBeginsAtTheFirstBlock) {
    FakeSerialPort port;
    port.open();
    SerialExchange exchange(port);
    QString address = QStringLiteral("1");
    ParameterReadSequence sequence(exchange, [&] { return address; });
    QSignalSpy finished(&sequence, &ParameterReadSequence::finished);
    QSignalSpy failed(&sequence, &ParameterReadSequence::requestFailed);
    sequence.start();
    sequence.tick();
    sequence.tick();
    sequence.start();
    EXPECT_EQ(sequence.step(), 0);
    for (int tick = 0; tick < 4; ++tick)
        sequence.tick();
    EXPECT_EQ(finished.count(), 0);
    sequence.tick();
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(sequence.timer().interval().count(), 0);
    EXPECT_EQ(hex(port.written).mid(2), QStringList({"0103001800164403", "0103002E0019E409",
                                                     "01030047001E75D7", "0103006500019415"}));
    address = QStringLiteral("256");
    sequence.start();
    sequence.tick();
    EXPECT_EQ(failed.count(), 1);
    EXPECT_EQ(port.written.size(), 6);
}

} // namespace
