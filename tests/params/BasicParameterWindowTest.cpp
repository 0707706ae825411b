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
    // not be logged is not sent, and the notice says why.
    port.open();
    window->meterAddressList()->setEditText("1");
    const QString notLogged =
        ParameterWriter::logFailureNotice("the database file could not be opened");
    writeField("Flow direction:", "Reverse");
    EXPECT_EQ(window->statusText(), notLogged);
    writeField("K factor:", "2");
    EXPECT_EQ(window->statusText(), notLogged);
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

// Reading itself: see ParameterWindowTest.ReadSendsFourBlockRequestsAndTakesValuesOnTheFifthTick.
TEST_F(BasicParameterWindowTest, TheHiddenSerialBoxAndAClosedWindowTakeNoReplies) {
    ParameterWindow full(folder->path(), exchange, dispatcher);
    readMeter();
    window->show();
    EXPECT_FALSE(window->serialNumberBox()->isVisible());
    EXPECT_EQ(window->serialNumberBox()->text(), "RX71000001");

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

// A parameter the basic window shows but does not write cannot be written
// by calling the handler either.
TEST_F(BasicParameterWindowTest, ShownOnlyParametersAreNeverWritten) {
    readMeter();
    for (const char* caption : {"Meter sleep:", "Meter address:", "EPD threshold:", "Damping:"})
        EXPECT_EQ(window->write(parameter(caption)), ParameterWriter::Result::Failed) << caption;
    EXPECT_TRUE(port.written.isEmpty());
    EXPECT_TRUE(logRows().isEmpty());
}

} // namespace
