#include "CommSetupWindow.h"
#include "LineHealth.h"
#include "LiveGridModel.h"
#include "MessageBox.h"
#include "PortLocator.h"
#include "QtSerialPort.h"
#include "SimulatedLine.h"
#include "Station.h"

#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

TEST(StoreFaultsOverALine, FullDiskIsToldByItsCauseAndEverythingRecovers) {
    StartingDatabase::Options options;
    options.meters = QList<int>{1, 2};
    options.timer = 40;
    ProgramFolder folder(options);
    // A small tmpfs over the program folder, so the disk can really fill
    // up; the simulator's logs stay off it.
    QTemporaryDir logs;
    const QByteArray point = QFile::encodeName(folder.path());
    ASSERT_TRUE(QFile::copy(folder.databasePath(), logs.filePath("db")));
    if (geteuid() != 0 || ::mount("tmpfs", point.constData(), "tmpfs", 0, "size=2m") != 0)
        GTEST_SKIP() << "needs root to mount a small tmpfs";
    const auto unmount = qScopeGuard([&] { ::umount2(point.constData(), MNT_DETACH); });
    ASSERT_TRUE(QFile::copy(logs.filePath("db"), folder.databasePath()));
    SimulatedLine line(folder.path(), {"--addresses", "1-2", "--baud", "115200", "--seed", "8"},
                       logs.path());
    MainWindow main(folder.path(), std::make_unique<QtSerialPort>(PortLocator(folder.path())));
    ASSERT_TRUE(line.started() && main.load().isOk());
    const LiveGridModel& grid = main.liveGrid();
    const QString diskFull =
        QStringLiteral("Notice: Database write failed: database or disk is full");
    main.show();
    main.readMeterData();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !grid.index(1, 9).data().toString().isEmpty(); }, 10000));

    // Reading: one notice with the real cause, and the grid goes on. The
    // log is emptied first, so no write finds room left in it.
    ASSERT_TRUE(folder.exec("PRAGMA wal_checkpoint(TRUNCATE)"));
    QFile fill(folder.path() + "/fill");
    ASSERT_TRUE(fill.open(QIODevice::WriteOnly));
    while (fill.write(QByteArray(4096, '\0')) == 4096 && fill.flush()) {
    }
    fill.close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return main.statusText() == diskFull; }, 10000));
    const QString shownTime = grid.index(0, 9).data().toString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return grid.index(0, 9).data() != shownTime; }, 5000));
    EXPECT_GT(main.station().health().statistics().line().storeFailures, 0);

    // Settings tell the store's reason, not a bad port or value. (An
    // unchanged row needs no write at all, so the Save changes it.)
    main.communicationSetup();
    CommSetupWindow& setup = *main.loadedCommSetupWindow();
    setup.findChild<QPushButton*>("lineModify")->click();
    setup.findChild<QLineEdit*>("timeoutBox")->setText("50");
    setup.findChild<QPushButton*>("lineSave")->click();
    EXPECT_EQ(setup.statusText(), diskFull);
    EXPECT_TRUE(setup.isEditingLineSettings());

    // Room again: both work, and the main window says so once.
    QFile::remove(fill.fileName());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return main.statusText() == "Notice: Database writes work again"; }, 10000));
    main.stopReading();
    setup.findChild<QPushButton*>("lineSave")->click();
    EXPECT_FALSE(setup.isEditingLineSettings()) << setup.statusText().toStdString();
    EXPECT_EQ(folder.column("select timer from kente"), QStringList({"50"}));
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
    // Opened by a user who may not write the file: SQLite takes it
    // read-only. The folder and the line itself stay open to that user.
    QFile::setPermissions(tool.folder.databasePath(),
                          QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    QFile::setPermissions(tool.folder.path(), QFileDevice::Permissions(0x7777));
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
    EXPECT_EQ(main.statusText(),
              "Notice: Database write failed: attempt to write a readonly database");
    LiveGridModel& grid = main.liveGrid();
    EXPECT_EQ(grid.index(0, 1).data().toString() + grid.index(1, 1).data().toString(), "");

    // Reading goes on and shows what the meter says.
    main.readMeterData();
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return !grid.index(0, 1).data().toString().isEmpty(); }, 5000));
    main.stopReading();
    EXPECT_EQ(tool.folder.column("select MinuteAverage from yibiaodizhi"),
              QStringList({"99.00", "99.00"})); // nothing written
}

} // namespace
