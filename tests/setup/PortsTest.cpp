#include "CommSetupWindow.h"
#include "IntervalTimer.h"
#include "PortAssignments.h"
#include "PortLocator.h"
#include "PortsDialog.h"
#include "ProgramFolder.h"
#include "PtyPort.h"
#include "QtSerialPort.h"
#include "RecordInterval.h"
#include "SerialDevices.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Stand-ins for devices: files in a throw-away /dev, and a by-id folder
// with udev's kind of relative links to some of them.
class FakeDevices : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        QDir(root.path()).mkpath(QStringLiteral("dev/serial/by-id"));
        for (const char* name : {"ttyUSB0", "ttyUSB1", "ttyACM0"}) {
            QFile file(device(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
        ASSERT_TRUE(
            QFile::link(QStringLiteral("../../ttyUSB1"), byId("usb-FTDI_FT232R_A5X-port0")));
        ASSERT_TRUE(QFile::link(QStringLiteral("../../ttyGone"), byId("usb-Prolific_2303-port0")));
    }
    QString device(const char* name) const {
        return root.filePath(QStringLiteral("dev/") + QLatin1String(name));
    }
    QString byId(const char* name) const {
        return root.filePath(QStringLiteral("dev/serial/by-id/") + QLatin1String(name));
    }
    QString byIdFolder() const { return root.filePath(QStringLiteral("dev/serial/by-id")); }
    SerialDevice named(const char* name) const {
        const QString path = device(name);
        return {path, SerialDevices::stableName(path, byIdFolder()), {}, {}, {}};
    }

    QTemporaryDir root;
};

TEST_F(FakeDevices, StableNameIsTheByIdLinkThatLeadsToTheDevice) {
    EXPECT_EQ(named("ttyUSB1").stableName, byId("usb-FTDI_FT232R_A5X-port0"));
    EXPECT_EQ(named("ttyUSB0").stableName, QString());
    EXPECT_EQ(SerialDevices::stableName(device("ttyGone"), byIdFolder()), QString());
    EXPECT_EQ(SerialDevices::stableName(device("ttyUSB1"), root.filePath("nowhere")), QString());
}

TEST_F(FakeDevices, AssignmentsLinkTheStableNameAndRefuseWhatIsNoLink) {
    ProgramFolder folder({}, false);
    PortAssignments ports(folder.path());
    QString error;

    struct Step {
        const char* device;
        int port;
        bool ok;
        const char* target; // where ports/comN leads afterwards
    };
    const Step steps[] = {
        {"ttyUSB0", 1, true, "dev/ttyUSB0"}, // no stable name: the path
        {"ttyUSB1", 1, true, "dev/serial/by-id/usb-FTDI_FT232R_A5X-port0"}, // replaces the link
        {"ttyACM0", 10, true, "dev/ttyACM0"},
        {"ttyACM0", 0, false, ""},
        {"ttyACM0", 11, false, ""},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.port);
        error.clear();
        EXPECT_EQ(ports.assign(named(step.device), step.port, &error), step.ok);
        EXPECT_EQ(error.isEmpty(), step.ok);
        if (step.ok) {
            EXPECT_EQ(ports.linkTarget(step.port), root.filePath(QString::fromLatin1(step.target)));
        }
    }

    // Each device shows the numbers that lead to it, through its stable name too.
    const QList<PortAssignments::Row> rows =
        ports.rows({named("ttyUSB0"), named("ttyUSB1"), named("ttyACM0")});
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0].ports, QStringList());
    EXPECT_EQ(rows[1].ports, QStringList({"com1"}));
    EXPECT_EQ(rows[2].ports, QStringList({"com10"}));

    // A file or folder that is no link is the operator's, never replaced.
    QFile file(ports.linkPath(3));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_FALSE(ports.assign(named("ttyUSB0"), 3, &error));
    EXPECT_FALSE(ports.release(3, &error));
    EXPECT_TRUE(QFileInfo(ports.linkPath(3)).isFile());

    EXPECT_TRUE(ports.release(1, &error));
    EXPECT_FALSE(QFileInfo(ports.linkPath(1)).isSymLink());
    EXPECT_TRUE(QFileInfo::exists(device("ttyUSB1"))); // the device itself stays
    EXPECT_TRUE(ports.release(2, &error));             // nothing there: nothing to do
}

// The setup window's "Ports..." on a folder whose ports are real, with a
// pseudo-terminal as the one device present.
TEST(PortsDialog, AssignedDeviceIsThePortTheSetupWindowOpens) {
    ProgramFolder folder;
    ASSERT_TRUE(folder.ok());
    PtyPort pty;
    QString error;
    ASSERT_TRUE(pty.open(&error)) << error.toStdString();
    const SerialDevice device{pty.slavePath(),
                              {},
                              QStringLiteral("USB-RS485 cable"),
                              QStringLiteral("FTDI"),
                              QStringLiteral("A5X")};

    QtSerialPort port{PortLocator(folder.path())};
    IntervalTimer pollTimer;
    RecordInterval interval;
    CommSetupWindow setup(folder.path(), port, pollTimer, interval, [] {});
    setup.setSerialDeviceSource([device] { return QList<SerialDevice>{device}; });
    setup.show();

    QTest::mouseClick(setup.findChild<QPushButton*>(QStringLiteral("portsButton")), Qt::LeftButton);
    auto* dialog = setup.findChild<PortsDialog*>();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(dialog->isVisible());
    const QAbstractItemModel* listed =
        dialog->findChild<QTableView*>(QStringLiteral("deviceTable"))->model();
    ASSERT_EQ(listed->rowCount(), 1);
    EXPECT_EQ(listed->index(0, PortsDialog::Device).data().toString(), pty.slavePath());
    EXPECT_EQ(listed->index(0, PortsDialog::SerialNumber).data().toString(), "A5X");

    dialog->findChild<QComboBox*>(QStringLiteral("portNumberList"))->setCurrentText("com2");
    for (QPushButton* b : dialog->findChildren<QPushButton*>())
        if (b->text() == QStringLiteral("Assign"))
            QTest::mouseClick(b, Qt::LeftButton);
    EXPECT_EQ(QFileInfo(QDir(folder.path()).filePath("ports/com2")).symLinkTarget(),
              pty.slavePath());
    EXPECT_EQ(listed->index(0, PortsDialog::Port).data().toString(), "com2");
    dialog->close();

    // Saving com2 opens the device behind the new link.
    QTest::mouseClick(setup.findChild<QPushButton*>(QStringLiteral("lineModify")), Qt::LeftButton);
    setup.findChild<QComboBox*>(QStringLiteral("portList"))->setCurrentText("com2");
    setup.findChild<QLineEdit*>(QStringLiteral("timeoutBox"))->setText("200");
    QTest::mouseClick(setup.findChild<QPushButton*>(QStringLiteral("lineSave")), Qt::LeftButton);
    EXPECT_EQ(setup.statusText(), QString());
    EXPECT_TRUE(port.isOpen());
    ASSERT_EQ(port.write(QByteArray("\x01\x03", 2)), 0);
    QTest::qWait(50);
    EXPECT_EQ(pty.readAvailable(), QByteArray("\x01\x03", 2));
}

} // namespace
