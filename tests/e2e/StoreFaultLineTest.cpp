#include "CommSetupWindow.h"
#include "LineHealth.h"
#include "LoginWindow.h"
#include "MainStation.h"
#include "MessageBox.h"
#include "ParameterForm.h"
#include "ParameterTable.h"
#include "ParameterWindow.h"
#include "ParameterWriter.h"
#include "SimulatedLine.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

const QString diskFull = QStringLiteral("Notice: Database write failed: database or disk is full");

// A small tmpfs of its own, so the disk can really fill up. Needs root;
// elsewhere the test is skipped.
class SmallDisk {
public:
    SmallDisk() {
        if (!m_point.isValid() || geteuid() != 0)
            return;
        m_mounted = ::mount("tmpfs", QFile::encodeName(m_point.path()).constData(), "tmpfs", 0,
                            "size=2m") == 0;
    }
    ~SmallDisk() {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_point.path()).constData(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }
    QString path() const { return m_point.path(); }

    // Writes a file until the disk takes no more.
    void fill() {
        QFile file(m_point.filePath(QStringLiteral("fill")));
        file.open(QIODevice::WriteOnly);
        const QByteArray block(4096, '\0');
        while (file.write(block) == block.size() && file.flush()) {
        }
    }
    void free() { QFile::remove(m_point.filePath(QStringLiteral("fill"))); }

private:
    QTemporaryDir m_point;
    bool m_mounted = false;
};

QPushButton* buttonOf(QWidget* window, const char* objectName, const QString& text = {}) {
    if (auto* b = window->findChild<QPushButton*>(objectName))
        return b;
    for (QPushButton* b : window->findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

int writeRequests(const SimulatedLine& line) {
    int count = 0;
    for (const QString& hex : line.requests())
        count += hex.startsWith(QLatin1String("010600")) ? 1 : 0;
    return count;
}

TEST(StoreFaultsOverALine, FullDiskIsToldByItsCauseAndEverythingRecovers) {
    SmallDisk disk;
    if (!disk.mounted())
        GTEST_SKIP() << "needs root to mount a small tmpfs";
    QTemporaryDir logs; // the simulator's logs stay off the full disk
    StartingDatabase::Options options;
    options.meters = QList<int>{1, 2};
    options.timer = 40;
    ToolOnLine tool(options, {"--addresses", "1-2", "--baud", "115200", "--seed", "8"}, disk.path(),
                    logs.path());
    ASSERT_TRUE(tool.load());
    MainWindow& main = *tool.window;
    MainStation& station = main.station();
    main.show();
    main.readMeterData();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return station.health().statistics().line().stored >= 4; }, 10000));

    // Reading: one notice with the real cause, and the grid goes on. The
    // log is emptied first, so no write finds room left in it.
    ASSERT_TRUE(tool.folder.exec("PRAGMA wal_checkpoint(TRUNCATE)"));
    disk.fill();
    ASSERT_TRUE(QTest::qWaitFor([&] { return main.statusText() == diskFull; }, 10000))
        << main.statusText().toStdString();
    const QString shownTime = station.liveGrid().index(0, 9).data().toString();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return station.liveGrid().index(0, 9).data().toString() != shownTime; }, 5000));
    EXPECT_GT(station.health().statistics().line().storeFailures, 0);
    EXPECT_GT(station.health().statistics().line().notStored, 0);

    // Settings: the store's reason, not a bad port or value.
    main.communicationSetup();
    CommSetupWindow& setup = *main.loadedCommSetupWindow();
    // (An unchanged row needs no write at all, so each Save changes it.)
    buttonOf(&setup, "lineModify")->click();
    setup.findChild<QLineEdit*>("timeoutBox")->setText("50");
    buttonOf(&setup, "lineSave")->click();
    EXPECT_EQ(setup.statusText(), diskFull);
    EXPECT_TRUE(setup.isEditingLineSettings());
    buttonOf(&setup, "recordModify")->click();
    setup.findChild<QLineEdit*>("intervalBox")->setText("9");
    buttonOf(&setup, "recordSave")->click();
    EXPECT_EQ(setup.statusText(), diskFull);
    setup.findChild<QLineEdit*>("addressBox")->setText("5");
    buttonOf(&setup, "", "Add")->click();
    EXPECT_EQ(setup.statusText(), diskFull);
    EXPECT_EQ(station.liveGrid().rowCount(), 2);

    // A parameter write that cannot be logged is not sent.
    tool.login(LoginWindow::FullCode);
    ParameterWindow* parameters = main.loadedParameterWindow();
    ASSERT_TRUE(parameters);
    ParameterForm& form = parameters->form();
    const Parameter& damping = *ParameterTable::byRegister(MeterRegister::Damping);
    const auto writeDamping = [&](const QString& value) {
        form.allowWriteBox(damping)->setChecked(true);
        form.setText(damping, value);
        form.writeButton(damping)->click();
    };
    writeDamping("7");
    EXPECT_EQ(parameters->statusText(),
              ParameterWriter::logFailureNotice("database or disk is full"));
    QTest::qWait(200);
    EXPECT_EQ(writeRequests(tool.line), 0);
    EXPECT_TRUE(tool.logRows().isEmpty());

    // Room again: each of them works, and the main window says so once.
    disk.free();
    main.readMeterData();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return main.statusText() == "Notice: Database writes work again"; }, 10000))
        << main.statusText().toStdString();
    main.stopReading();
    writeDamping("7");
    EXPECT_EQ(parameters->statusText(), "");
    ASSERT_TRUE(QTest::qWaitFor([&] { return writeRequests(tool.line) == 1; }, 5000));
    EXPECT_EQ(tool.logRows(), QStringList({"2||Damping||7"}));

    main.communicationSetup();
    buttonOf(&setup, "lineSave")->click();
    EXPECT_FALSE(setup.isEditingLineSettings()) << setup.statusText().toStdString();
    buttonOf(&setup, "recordSave")->click();
    buttonOf(&setup, "", "Add")->click();
    EXPECT_EQ(setup.statusText(), "");
    EXPECT_EQ(tool.folder.column("select dizhi from yibiaodizhi order by dizhi"),
              QStringList({"1", "2", "5"}));
    EXPECT_EQ(tool.folder.rows("select timer,timesj from kente"), QStringList({"50|9"}));
}

TEST(StoreFaultsOverALine, ReadOnlyDatabaseNeverPassesOldReadingsOffAsCurrent) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to open the file as another user";
    StartingDatabase::Options options;
    options.meters = QList<int>{1, 2};
    options.timer = 40;
    ToolOnLine tool(options, {"--addresses", "1", "--baud", "115200", "--seed", "4"});
    ASSERT_TRUE(tool.folder.exec("update yibiaodizhi set MinuteAverage='99.00',"
                                 "CreateTime='2020-01-01 00:00:00'"));
    // Opened by a user who may not write the file: SQLite takes it read-only.
    QFile::setPermissions(tool.folder.databasePath(),
                          QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    QFile::setPermissions(tool.folder.path(), QFileDevice::Permissions(0x7777));
    // The line itself stays open to that user.
    QFile::setPermissions(QFileInfo(tool.folder.path() + "/ports/com1").symLinkTarget(),
                          QFileDevice::Permissions(0x6666));
    MessageBox::setHandler(
        [](QWidget*, const QString&, const QString& text) { ADD_FAILURE() << text.toStdString(); });
    ASSERT_EQ(seteuid(65534), 0);
    const bool loaded = tool.load();
    ASSERT_EQ(seteuid(0), 0);
    MessageBox::setHandler({});
    ASSERT_TRUE(loaded);
    MainWindow& main = *tool.window;
    const QString readOnly =
        QStringLiteral("Notice: Database write failed: attempt to write a readonly database");
    EXPECT_EQ(main.statusText(), readOnly);
    LiveGridModel& grid = main.station().liveGrid();
    for (int row = 0; row < 2; ++row)
        EXPECT_EQ(grid.index(row, 1).data().toString(), "") << row;

    // Reading goes on and shows what the meter says; meter 2 is silent.
    main.readMeterData();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !grid.index(0, 1).data().toString().isEmpty(); }, 5000));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !grid.index(1, 0).data(Qt::ToolTipRole).toString().isEmpty(); }, 5000));
    EXPECT_EQ(grid.index(1, 1).data().toString(), "");
    main.stopReading();
    EXPECT_EQ(tool.folder.column("select MinuteAverage from yibiaodizhi order by dizhi"),
              QStringList({"99.00", "99.00"})); // nothing written
}

} // namespace
