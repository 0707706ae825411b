#include "PortAssignments.h"
#include "PortsDialog.h"
#include "SerialDevices.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTableView>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Device files in a throw-away /dev, some with udev's kind of relative by-id links.
class FakeDevices : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("dev/serial/by-id")));
        for (const char* name : {"ttyUSB0", "ttyUSB1", "ttyACM0"})
            ASSERT_TRUE(QFile(device(name)).open(QIODevice::WriteOnly));
        ASSERT_TRUE(QFile::link("../../ttyUSB1", byId("usb-FTDI-port0")));
        ASSERT_TRUE(QFile::link("../../ttyGone", byId("usb-PL2303-port0")));
    }
    QString device(const char* name) const { return root.filePath("dev/" + QString(name)); }
    QString byId(const char* name) const {
        return root.filePath("dev/serial/by-id/" + QString(name));
    }
    SerialDevice named(const char* name) const {
        return {device(name), SerialDevices::stableName(device(name), byId("")), {}, {}, {}};
    }

    QTemporaryDir root;
};

TEST_F(FakeDevices, AssignmentsLinkTheStableNameAndRefuseWhatIsNoLink) {
    EXPECT_EQ(SerialDevices::stableName(device("ttyGone"), byId("")), QString());
    PortAssignments ports(root.path());
    QString error;
    // Device, number, assigned, where ports/comN leads: the stable name, else the path.
    const std::tuple<const char*, int, bool, const char*> steps[] = {
        {"ttyUSB0", 1, true, "dev/ttyUSB0"},
        {"ttyUSB1", 1, true, "dev/serial/by-id/usb-FTDI-port0"},
        {"ttyACM0", 10, true, "dev/ttyACM0"},
        {"ttyACM0", 0, false, ""},
        {"ttyACM0", 11, false, ""},
    };
    for (const auto& [name, number, ok, target] : steps) {
        error.clear();
        EXPECT_EQ(ports.assign(named(name), number, &error), ok) << number;
        EXPECT_EQ(error.isEmpty(), ok);
        EXPECT_EQ(ports.linkTarget(number), ok ? root.filePath(target) : QString());
    }
    // Each device shows the numbers that lead to it, through its stable name too.
    QStringList shown;
    for (const PortAssignments::Row& row :
         ports.rows({named("ttyUSB0"), named("ttyUSB1"), named("ttyACM0")}))
        shown << row.ports.join(',');
    EXPECT_EQ(shown, QStringList({"", "com1", "com10"}));

    // A file that is no link is the operator's, never replaced.
    ASSERT_TRUE(QFile(ports.linkPath(3)).open(QIODevice::WriteOnly));
    EXPECT_FALSE(ports.assign(named("ttyUSB0"), 3, &error));
    EXPECT_FALSE(ports.release(3, &error));
    EXPECT_TRUE(QFileInfo(ports.linkPath(3)).isFile());

    EXPECT_TRUE(ports.release(1, &error));
    EXPECT_FALSE(QFileInfo(ports.linkPath(1)).isSymLink());
    EXPECT_TRUE(QFileInfo::exists(device("ttyUSB1"))); // the device itself stays
    EXPECT_TRUE(ports.release(2, &error));             // nothing there: nothing to do
}

TEST_F(FakeDevices, PortsDialogAssignsTheChosenDeviceTheChosenNumber) {
    PortsDialog dialog(root.path(), [this] { return QList<SerialDevice>{named("ttyACM0")}; });
    dialog.findChild<QComboBox*>()->setCurrentText("com2");
    dialog.assignChosen();
    EXPECT_EQ(PortAssignments(root.path()).linkTarget(2), device("ttyACM0"));
    const QAbstractItemModel* listed = dialog.findChild<QTableView*>()->model();
    EXPECT_EQ(listed->index(0, PortsDialog::Port).data().toString(), "com2");
}

} // namespace
