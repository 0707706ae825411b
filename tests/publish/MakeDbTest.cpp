#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The publish row of a database, columns joined with '|'.
QString publishRow(const QString& path) {
    QString row;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "make-db-test");
        db.setDatabaseName(path);
        QSqlQuery query(db);
        if (db.open() && query.exec("select * from publish") && query.next()) {
            QStringList values;
            for (int i = 0; i < query.record().count(); ++i)
                values << query.value(i).toString();
            row = values.join('|');
        }
    }
    QSqlDatabase::removeDatabase("make-db-test");
    return row;
}

TEST(MakeDb, PublishOptionsFillTheRowOrAreRefused) {
    QTemporaryDir dir;
    QFile password(dir.filePath("password"));
    ASSERT_TRUE(password.open(QIODevice::WriteOnly));
    password.write("it's \"secret\"\r\nsecond line\n");
    password.close();
    const struct {
        QStringList arguments;
        const char* row; // none: refused
    } cases[] = {
        {{}, "0|localhost|1883|rx7100|||||1"},
        {{"--broker", "broker.plant"}, "1|broker.plant|1883|rx7100|||||1"},
        {{"--broker", "10.0.0.5:8883", "--station", "line-4", "--topic-prefix", "plant/north",
          "--qos", "0"},
         "1|10.0.0.5|8883|plant/north|line-4||||0"},
        {{"--broker", "[fd00::5]:1884"}, "1|fd00::5|1884|rx7100|||||1"},
        {{"--broker", "b", "--user", "me", "--password-file", password.fileName(), "--ca-file",
          "/etc/ssl/ca.pem"},
         "1|b|1883|rx7100||me|it's \"secret\"|/etc/ssl/ca.pem|1"},
        // Settings for later, publishing still off.
        {{"--station", "line-4"}, "0|localhost|1883|rx7100|line-4||||1"},
        {{"--broker", "b:x"}, nullptr},
        {{"--broker", "b", "--station", "a/b"}, nullptr},
        {{"--broker", "b", "--password-file", dir.filePath("nothing")}, nullptr},
    };
    int n = 0;
    for (const auto& c : cases) {
        const QString path = dir.filePath(QStringLiteral("%1.db").arg(++n));
        QProcess makeDb;
        makeDb.start(QStringLiteral(MAKE_DB_PATH), c.arguments + QStringList{path});
        ASSERT_TRUE(makeDb.waitForFinished(10000));
        EXPECT_EQ(makeDb.exitCode(), c.row ? 0 : 2) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(QFile::exists(path), c.row != nullptr);
        EXPECT_EQ(publishRow(path), QString::fromUtf8(c.row ? c.row : ""));
    }
}

} // namespace
