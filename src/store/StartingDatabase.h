#pragma once

#include "PublishTable.h"
#include "SettingsTable.h"
#include "StoredLine.h"

#include <QList>
#include <QString>
#include <optional>

// Makes a new database file from the schema. Only the build, the demo and
// the tests make one; the tool itself never creates its database.
class StartingDatabase {
public:
    // A line and the addresses of its meters.
    struct Line {
        StoredLine settings;
        QList<int> meters;
    };

    // Changes to the schema's starting content.
    struct Options {
        std::optional<QList<int>> meters;
        std::optional<int> com;
        std::optional<QString> settings;
        std::optional<int> noe;
        std::optional<int> timer;
        std::optional<int> timesj;
        std::optional<PublishSettings> publish;
        // Written after the above, line 1 first: each line's settings, and
        // its meters in place of any listed before.
        QList<Line> lines = {};
        // Days of snapshots kept (`keep_days`).
        std::optional<int> keepDays = {};
        // Where the web status is served.
        std::optional<StoredWeb> web = {};
    };

    // Creates `path`; false (with a reason) when it exists or cannot be made.
    static bool create(const QString& path, const Options& options, QString* error = nullptr);
};
