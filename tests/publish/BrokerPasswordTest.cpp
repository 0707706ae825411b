#include "BrokerPassword.h"
#include "CredentialsFile.h"
#include "Database.h"
#include "ProgramFolder.h"
#include "PublishTable.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString written(const QString& path, const QByteArray& text, mode_t mode) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
    file.close();
    EXPECT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
    return path;
}

// Only this user's own file, closed to everyone else, is read.
TEST(BrokerPassword, CredentialsFileIsReadOnlyWhenNoOneElseMay) {
    QTemporaryDir dir;
    const auto at = [&dir](const char* name) { return dir.filePath(QString::fromLatin1(name)); };
    const QString good = written(at("good"), "s3cret\r\nsecond line\n", 0600);
    const QString foreign = written(at("foreign"), "x\n", 0600);
    const bool root = ::geteuid() == 0; // only root can give a file away
    ASSERT_TRUE(!root || ::chown(QFile::encodeName(foreign).constData(), 65534, 65534) == 0);
    ASSERT_TRUE(QFile::link(good, at("link")));
    const struct {
        QString path;
        const char* password; // none: refused
        const char* reason = "";
    } cases[] = {
        {good, "s3cret"},
        {written(at("owner-only"), "only\n", 0400), "only"},
        {written(at("empty"), "", 0600), ""},
        {written(at("world"), "x\n", 0644), nullptr, "has mode 0644"},
        {written(at("group"), "x\n", 0640), nullptr, "has mode 0640"},
        {written(at("written-by-others"), "x\n", 0602), nullptr, "has mode 0602"},
        {foreign, root ? nullptr : "x", root ? "belongs to user id 65534" : ""},
        {dir.path(), nullptr, "not a regular file"},
        {at("missing"), nullptr, "cannot read"},
        {at("link"), nullptr, "cannot read"}, // a link may point anywhere
    };
    for (const auto& c : cases) {
        QString problem;
        const std::optional<QString> password = CredentialsFile::read(c.path, &problem);
        EXPECT_EQ(password.has_value(), c.password != nullptr) << qPrintable(c.path);
        EXPECT_EQ(password.value_or("-"), c.password ? c.password : "-");
        EXPECT_TRUE(problem.contains(QString::fromLatin1(c.reason))) << qPrintable(problem);
    }
}

// An older database's clear password moves out without a keyring and is blanked there.
TEST(BrokerPassword, OldClearPasswordMovesToAFileOfItsOwn) {
    for (const bool credentials : {false, true}) {
        StartingDatabase::Options options;
        options.publish = PublishTable::startingSettings();
        options.publish->username = "station";
        options.publish->password = "old secret";
        const ProgramFolder folder(options);
        Database db(folder.path());
        PublishTable table(db.connection());
        ASSERT_EQ(table.storedPassword(), "old secret");
        const QString given =
            credentials ? written(folder.path() + "/given", "given\n", 0600) : QString();
        BrokerPassword password(folder.path(), given, false);
        EXPECT_EQ(password.load(table), credentials ? "given" : "old secret");
        EXPECT_EQ(table.storedPassword(), "");
        QString problem;
        EXPECT_EQ(CredentialsFile::read(BrokerPassword::folderFile(folder.path()), &problem),
                  "old secret");
        EXPECT_TRUE(password.notes().join(' ').contains("mqtt-password")) << credentials;
        // The next start finds it there, with nothing to say.
        BrokerPassword again(folder.path(), {}, false);
        EXPECT_EQ(again.load(table), "old secret");
        EXPECT_TRUE(again.notes().isEmpty());
    }
}

} // namespace
