#include "BasicParameterWindow.h"
#include "ParameterWindow.h"
#include "WindowFixture.h"

namespace {

using BasicParameterWindowTest = WindowFixture<BasicParameterWindow>;

TEST_F(BasicParameterWindowTest, WithoutADatabaseItOpensEmptyAndEveryActionFails) {
    open({}, false);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->meterAddressList()->count(), 0);
    EXPECT_TRUE(port.calls.isEmpty());

    // No settings row, so no port number: "Read" fails at once.
    window->read();
    EXPECT_EQ(window->statusText(), "Notice:  com:  Error!");
    EXPECT_EQ(window->readSequence().timer().interval().count(), 0);

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
    EXPECT_TRUE(port.calls.isEmpty()); // loading leaves the port alone
    EXPECT_EQ(window->meterAddressList()->currentText(), "1");
    // What a Save in the communication setup window leaves on the port.
    port.setLineSettings("19200,o,8,1");
    port.calls.clear();

    window->readButton()->click();
    EXPECT_EQ(port.calls, (QStringList{"close", "open 2"}));
    EXPECT_EQ(port.lineSettings(), "19200,o,8,1");
    EXPECT_EQ(window->statusText(), "");
    EXPECT_EQ(window->readSequence().timer().interval().count(),
              ParameterReadSequence::Step.count());

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
    ParameterWindow full(folder->path(), exchange, dispatcher);
    readMeter();
    // The written ones are checked through the logged values as read in
    // ParameterWindowTest.WritesSendLogAndReadBack; these three are shown only.
    const QMap<QString, QString> shown{
        {"Meter address:", "1"}, {"EPD threshold:", "500.00"}, {"Meter sleep:", "OFF"}};
    for (const Parameter* s : form().parameters()) {
        const QString caption = s->captionText();
        EXPECT_FALSE(form().text(*s).isEmpty()) << caption.toStdString();
        EXPECT_EQ(form().text(*s), shown.value(caption, form().text(*s))) << caption.toStdString();
        EXPECT_EQ(form().valueAsRead(*s), form().text(*s)) << caption.toStdString();
    }
    EXPECT_EQ(window->serialNumberBox()->text(), "RX71000001");
    EXPECT_EQ(full.form().text(ParameterTable::serialNumber()), "RX71000001");

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

    // A closed basic window takes no more replies; the full one still does.
    window.reset();
    port.deliver(meterBlocks("40000017XR")[2]);
    EXPECT_EQ(full.form().text(ParameterTable::serialNumber()), "RX71000004");
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

// Three parameters only the basic window writes, three it only shows; the
// widgets follow: see ParameterWindowTest.EachWindowNamesAndPlacesItsFields.
TEST_F(BasicParameterWindowTest, EachWindowWritesItsOwnParameters) {
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
        EXPECT_EQ(parameter(c.caption).writtenIn(ParameterWindowKind::Basic), c.basic) << c.caption;
        EXPECT_EQ(parameter(c.caption).writtenIn(ParameterWindowKind::Full), c.full) << c.caption;
    }

    // A shown-only parameter cannot be written by calling the handler either.
    readMeter();
    EXPECT_EQ(window->write(parameter("Meter sleep:")), ParameterWriter::Result::Failed);
    EXPECT_EQ(window->write(parameter("Damping:")), ParameterWriter::Result::Failed);
    EXPECT_TRUE(port.written.isEmpty());
    EXPECT_TRUE(logRows().isEmpty());
}

} // namespace
