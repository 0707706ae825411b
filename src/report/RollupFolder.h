#pragma once

#include "RollupBuilder.h"
#include "RollupFeed.h"
#include "RollupTable.h"

#include <QSqlDatabase>
#include <QString>
#include <map>
#include <optional>

// Keeps the rollups up with `Historydata`: folds the rows after `through`
// into each meter's hours and moves `through` on, in one transaction, so
// a run stopped anywhere resumes where the last commit left off. The
// meters' builders stay in memory between calls; they are restored from
// the latest hour rows and the rows those name when the folder starts, or
// after another folder worked on the store.
class RollupFolder {
public:
    struct Progress {
        qint64 folded = 0;  // rows folded by this call
        qint64 through = 0; // folded in up to here
        qint64 last = 0;    // the last history row
        QString error;      // empty, or why nothing was committed
    };

    explicit RollupFolder(QSqlDatabase db);

    // Folds at most `limit` rows after `through`.
    Progress fold(qint64 limit);
    // The builders no longer hold the store's state; the next fold restores them.
    void forget() { m_restored = false; }

    // Restores `builders` to where the store's rollups left each meter,
    // replaying the rows from each totalizer's last kept reading up to
    // `through`. False on a failure, which `table.error()` names.
    static bool restore(RollupTable& table, qint64 through,
                        std::map<std::pair<int, int>, RollupBuilder>& builders,
                        std::optional<std::pair<int, int>> meter = std::nullopt);

private:
    RollupTable m_table;
    RollupFeed m_feed;
    std::map<std::pair<int, int>, RollupBuilder> m_builders;
    bool m_restored = false;
};
