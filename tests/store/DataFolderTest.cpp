#include "DataFolder.h"
#include "Database.h"
#include "Record.h"
#include "StartingDatabase.h"
#include "Unprivileged.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// The permission bits of `path`; -1 when it is not there.
int modeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 0777) : -1;
}

// The record interval of the database in `folder`, which tells databases apart; -1 for none.
int marker(const QString& folder) {
    Database db(folder);
    return Record(QStringLiteral("select timesj from kente"), db.connection())
        .value(QStringLiteral("timesj"))
        .value_or(-1)
        .toInt();
}

// A database with this marker in `folder`, owned by the unprivileged user the choices run as.
bool database(const QString& folder, int value) {
    return StartingDatabase::create(Database::filePath(folder), {{}, {}, {}, {}, {}, value, {}}) &&
           Unprivileged::handOver(Database::filePath(folder));
}

// Each installation in a throw-away folder; the installed starting database has marker 22.
TEST(DataFolder, WhereEachInstallationWorks) {
    enum Own { NoDatabase, Writable, ReadOnly }; // the program folder's database, marker 11
    using enum DataFolder::Kind;
    const struct {
        Own program;
        bool installed, userDatabase, chosen; // userDatabase: one from an earlier start, marker 33
        DataFolder::Kind kind;
        int userMarker; // the user folder's database afterwards, -1 none
    } cases[] = {
        {Writable, true, false, false, Program, -1}, // portable
        {ReadOnly, true, false, false, User, 11},    // the program's database is copied
        {NoDatabase, true, false, false, User, 22},  // installed, first start
        {ReadOnly, true, true, false, User, 33},     // a later start keeps its copy
        {NoDatabase, false, false, false, User, -1}, // nothing to copy: a problem
        {Writable, true, true, true, Chosen, 33},    // chosen beats portable and user folder
    };
    for (const auto& c : cases) {
        QTemporaryDir root;
        const auto at = [&](const char* name) { return root.filePath(QString::fromLatin1(name)); };
        ASSERT_TRUE(root.isValid() && Unprivileged::openUp(root.path()));
        for (const char* dir : {"program", "share", "home", "chosen"})
            ASSERT_TRUE(QDir(root.path()).mkdir(dir) && Unprivileged::handOver(at(dir)));
        const DataFolder::Places places{at("program"), at("home/rx7100-tool"),
                                        Database::filePath(at("share"))};
        ASSERT_TRUE(c.program == NoDatabase || database(places.programDir, 11));
        const auto readOnly =
            QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther;
        ASSERT_TRUE(c.program != ReadOnly || QFile::setPermissions(places.programDir, readOnly));
        ASSERT_TRUE(!c.installed || database(at("share"), 22));
        ASSERT_TRUE(!c.userDatabase ||
                    (QDir().mkpath(places.userDir) && Unprivileged::handOver(places.userDir) &&
                     database(places.userDir, 33)));
        const DataFolder folder = [&] {
            const Unprivileged operatorIds; // one start of the tool as the operator
            EXPECT_TRUE(operatorIds.ok());
            return DataFolder::choose(places, c.chosen ? at("chosen") : QString());
        }();
        const char* folders[] = {"chosen", "program", "home/rx7100-tool"}; // by kind
        const int i = int(&c - cases);
        EXPECT_EQ(folder.kind(), c.kind) << i;
        EXPECT_EQ(folder.path(), at(folders[int(c.kind)])) << i;
        EXPECT_EQ(marker(places.userDir), c.userMarker) << i;
        EXPECT_EQ(folder.problem().isEmpty(), c.kind != User || c.userMarker > 0) << i;
        EXPECT_EQ(folder.copiedStartingDatabase(), !c.userDatabase && c.userMarker > 0) << i;
        EXPECT_EQ(QFileInfo(at("home/rx7100-tool/ports")).isDir(), c.kind == User) << i;
        // A chosen folder is taken as it is: no database appears in it.
        EXPECT_EQ(marker(at("chosen")), -1) << i;
        EXPECT_EQ(marker(places.programDir), c.program != NoDatabase ? 11 : -1) << i;
        if (c.kind == User && c.userMarker > 0) {
            // The folder for this user alone; one that was open already is named in the note.
            EXPECT_EQ(modeOf(places.userDir), 0700) << i;
            EXPECT_EQ(folder.note().isEmpty(), !c.userDatabase) << i;
            const QString file = Database::filePath(places.userDir);
            const Database open(places.userDir); // its -wal and -shm live while it is open
            for (const QString& path : {file, file + "-wal", file + "-shm"})
                EXPECT_EQ(modeOf(path), 0600) << i << qPrintable(path);
        }
        // Writable again, so the folder can be removed without root.
        QFile::setPermissions(places.programDir,
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

TEST(DataFolder, RelativeChosenFolderIsMadeAbsolute) {
    const DataFolder folder = DataFolder::choose({}, QStringLiteral("some/where"));
    EXPECT_EQ(folder.path(), QDir::current().absoluteFilePath(QStringLiteral("some/where")));
    EXPECT_FALSE(QFileInfo::exists(folder.path()));
}

} // namespace
