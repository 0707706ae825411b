#include "DataFolder.h"
#include "Database.h"
#include "StartingDatabase.h"
#include "Unprivileged.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

// The record interval of the database in `folder`, which tells databases
// apart here; -1 when there is none.
int marker(const QString& folder) {
    if (!QFileInfo::exists(Database::filePath(folder)))
        return -1;
    Database db(folder);
    QSqlQuery query(db.connection());
    return query.exec(QStringLiteral("select timesj from kente")) && query.next()
               ? query.value(0).toInt()
               : -1;
}

bool setMarker(const QString& folder, int value) {
    Database db(folder);
    return QSqlQuery(db.connection()).exec(QStringLiteral("update kente set timesj=%1").arg(value));
}

// An installation laid out in a throw-away folder: the program's folder,
// the installed starting database (marker 22) and the user's home, all
// owned by the unprivileged user the choices run as.
class DataFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(root->isValid() && Unprivileged::openUp(root->path()));
        for (const char* dir : {"program", "share", "home", "chosen"}) {
            ASSERT_TRUE(QDir(root->path()).mkdir(dir));
            ASSERT_TRUE(Unprivileged::handOver(at(dir)));
        }
        places = {at("program"), at("home/rx7100-tool"), Database::filePath(at("share"))};
    }
    void TearDown() override {
        // Writable again, so the folder can be removed without root.
        QFile::setPermissions(at("program"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    // A database with this marker in `folder`, owned by the unprivileged user.
    void database(const QString& folder, int value) {
        StartingDatabase::Options options;
        options.timesj = value;
        ASSERT_TRUE(StartingDatabase::create(Database::filePath(folder), options));
        ASSERT_TRUE(Unprivileged::handOver(Database::filePath(folder)));
    }
    void readOnly(const QString& folder) {
        ASSERT_TRUE(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner |
                                                      QFile::ReadOther | QFile::ExeOther));
    }
    // One start of the tool as the operator.
    DataFolder start(const QString& chosen = {}) {
        const Unprivileged operatorIds;
        EXPECT_TRUE(operatorIds.ok());
        return DataFolder::choose(places, chosen);
    }

    std::unique_ptr<QTemporaryDir> root;
    QString at(const char* name) const { return root->filePath(QString::fromLatin1(name)); }
    DataFolder::Places places;
};

TEST_F(DataFolderTest, ReadOnlyProgramFolderFallsBackToACopyThatTheNextStartKeeps) {
    database(places.programDir, 11);
    database(at("share"), 22);
    readOnly(places.programDir);

    const DataFolder first = start();
    EXPECT_EQ(first.kind(), DataFolder::Kind::User);
    EXPECT_EQ(first.path(), places.userDir);
    EXPECT_TRUE(first.copiedStartingDatabase());
    EXPECT_TRUE(first.problem().isEmpty()) << first.problem().toStdString();
    // The installation's own database is where a read-only folder starts.
    EXPECT_EQ(marker(places.userDir), 11);
    EXPECT_TRUE(QFileInfo(QDir(places.userDir).filePath("ports")).isDir());
    EXPECT_EQ(marker(places.programDir), 11);

    ASSERT_TRUE(setMarker(places.userDir, 33));
    const DataFolder second = start();
    EXPECT_EQ(second.path(), places.userDir);
    EXPECT_FALSE(second.copiedStartingDatabase());
    EXPECT_EQ(marker(places.userDir), 33);
}

TEST_F(DataFolderTest, WhereEachInstallationWorks) {
    struct Case {
        const char* name;
        bool programDatabase; // a writable one in the program's folder
        bool installed;       // the starting database, marker 22
        bool userDatabase;    // one from an earlier start, marker 33
        bool chosen;          // --folder <root>/chosen
        DataFolder::Kind kind;
        const char* folder;
        int userMarker; // the user folder's database afterwards, -1 none
        bool problem;
    };
    const Case cases[] = {
        {"portable folder", true, true, false, false, DataFolder::Kind::Program, "program", -1,
         false},
        {"installed, first start", false, true, false, false, DataFolder::Kind::User,
         "home/rx7100-tool", 22, false},
        {"installed, later start", false, true, true, false, DataFolder::Kind::User,
         "home/rx7100-tool", 33, false},
        {"nothing to copy", false, false, false, false, DataFolder::Kind::User, "home/rx7100-tool",
         -1, true},
        {"chosen beats portable", true, true, false, true, DataFolder::Kind::Chosen, "chosen", -1,
         false},
        {"chosen beats user folder", false, true, true, true, DataFolder::Kind::Chosen, "chosen",
         33, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        if (c.programDatabase)
            database(places.programDir, 11);
        if (c.installed)
            database(at("share"), 22);
        if (c.userDatabase) {
            ASSERT_TRUE(QDir().mkpath(places.userDir));
            ASSERT_TRUE(Unprivileged::handOver(places.userDir));
            database(places.userDir, 33);
        }

        const DataFolder folder = start(c.chosen ? at("chosen") : QString());
        EXPECT_EQ(folder.kind(), c.kind);
        EXPECT_EQ(folder.path(), at(c.folder));
        EXPECT_EQ(marker(places.userDir), c.userMarker);
        EXPECT_EQ(!folder.problem().isEmpty(), c.problem);
        // A chosen folder is taken as it is: no database appears in it.
        EXPECT_EQ(marker(at("chosen")), -1);
        EXPECT_EQ(marker(places.programDir), c.programDatabase ? 11 : -1);
    }
}

TEST(DataFolder, RelativeChosenFolderIsMadeAbsolute) {
    const DataFolder folder = DataFolder::choose({}, QStringLiteral("some/where"));
    EXPECT_EQ(folder.path(), QDir::current().absoluteFilePath(QStringLiteral("some/where")));
    EXPECT_FALSE(QFileInfo::exists(folder.path()));
}

} // namespace
