#pragma once

#include "HistoryRow.h"
#include "RollupHour.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <functional>
#include <optional>

struct sqlite3;
struct sqlite3_stmt;

// `rollups` and `rollup_state`, and the rowid-ordered walk of `Historydata`
// that folds snapshots into them. On SQLite's own handle, with statements
// prepared once: the upkeep runs at every snapshot for hundreds of meters
// and the build walks millions of rows, where Qt SQL's values per cell
// would cost several times the work itself. Used on the connection's
// thread only.
class RollupTable {
public:
    explicit RollupTable(QSqlDatabase db);
    ~RollupTable();
    RollupTable(const RollupTable&) = delete;
    RollupTable& operator=(const RollupTable&) = delete;

    // Empty, or why the last call failed.
    const QString& error() const { return m_error; }

    bool begin();
    // A read transaction: every read until rollback() sees the store as it
    // stood at the first, whatever another connection commits meanwhile.
    bool beginRead();
    bool commit();
    void rollback();

    // Adds each hour's part to its row, made when missing.
    bool add(const QList<RollupHour>& hours);
    // A meter's hour rows from `fromHour` up to, not including, `toHour`
    // (seconds since 1970 UTC), in order.
    QList<RollupHour> hours(int line, int address, qint64 fromHour, qint64 toHour);
    // As hours(), with only the volumes, their cover, the longest step and
    // the marks: what consumption needs, read fast.
    QList<RollupHour> volumes(int line, int address, qint64 fromHour, qint64 toHour);
    // Each meter's latest hour row: where its folding resumes.
    QList<RollupHour> latestHours();
    std::optional<RollupHour> latestHour(int line, int address);

    // Every `Historydata` row up to this rowid is folded in; none when the
    // store cannot say.
    std::optional<qint64> through();
    bool setThrough(qint64 row);
    // The last `Historydata` rowid; 0 when there is none.
    std::optional<qint64> lastHistoryRow();

    // Walks `Historydata` rows after `after` up to `upTo` in rowid order, at
    // most `limit` of them, of one meter when `address` is given. False on a
    // failure, which error() names.
    using Visit = std::function<void(const HistoryRow&)>;
    bool scan(qint64 after, qint64 upTo, qint64 limit, const Visit& visit,
              std::optional<std::pair<int, int>> meter = std::nullopt);

    // A meter's rows whose local time text lies in [from, to), in rowid order.
    bool scanTimes(int line, int address, const QString& from, const QString& to,
                   const Visit& visit);

private:
    bool walk(sqlite3_stmt* statement, const Visit& visit);

    sqlite3_stmt* prepared(sqlite3_stmt*& statement, const char* sql);
    bool fail();
    bool exec(const char* sql);
    std::optional<qint64> single(const char* sql);
    QList<RollupHour> readHours(sqlite3_stmt* statement);

    QSqlDatabase m_db; // kept open while the statements live
    sqlite3* m_handle = nullptr;
    sqlite3_stmt* m_upsert = nullptr;
    sqlite3_stmt* m_hours = nullptr;
    sqlite3_stmt* m_latest = nullptr;
    sqlite3_stmt* m_latestOne = nullptr;
    sqlite3_stmt* m_scan = nullptr;
    sqlite3_stmt* m_scanMeter = nullptr;
    sqlite3_stmt* m_volumes = nullptr;
    sqlite3_stmt* m_scanTimes = nullptr;
    QString m_error;
};
