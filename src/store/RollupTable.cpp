#include "RollupTable.h"

#include "HistoryCursor.h"

#include <charconv>
#include <sqlite3.h>

namespace {

#define ROLLUP_COLUMNS                                                                             \
    "line,address,hour,first_at,first_forward,first_reverse,last_at,last_forward,last_reverse,"    \
    "unit,forward,reverse,marks,flow_min,flow_max,flow_sum,samples,excitation_s,low_battery_s,"    \
    "empty_pipe_s,upper_limit_s,lower_limit_s,no_reply_s,forward_seen,reverse_seen,longest_step,"  \
    "forward_from,reverse_from"
constexpr int ColumnCount = 28;

// Sums add, extremes merge, the first values stay, the last ones and the
// resume rows are replaced. Each SET reads the row as it was.
constexpr const char* UpsertSql =
    "insert into rollups (" ROLLUP_COLUMNS ") values "
    "(?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,?11,?12,?13,?14,?15,?16,?17,?18,?19,?20,?21,?22,?23,?24,?25,"
    "?26,?27,?28) on conflict (line,address,hour) do update set "
    "first_at=coalesce(first_at,excluded.first_at),"
    "first_forward=iif(first_at is null,excluded.first_forward,first_forward),"
    "first_reverse=iif(first_at is null,excluded.first_reverse,first_reverse),"
    "last_at=coalesce(excluded.last_at,last_at),"
    "last_forward=iif(excluded.last_at is null,last_forward,excluded.last_forward),"
    "last_reverse=iif(excluded.last_at is null,last_reverse,excluded.last_reverse),"
    "unit=iif(excluded.unit='',unit,excluded.unit),"
    "forward=iif(excluded.forward is null,forward,coalesce(forward,0)+excluded.forward),"
    "reverse=iif(excluded.reverse is null,reverse,coalesce(reverse,0)+excluded.reverse),"
    "marks=marks|excluded.marks,"
    "flow_min=min(coalesce(flow_min,excluded.flow_min),coalesce(excluded.flow_min,flow_min)),"
    "flow_max=max(coalesce(flow_max,excluded.flow_max),coalesce(excluded.flow_max,flow_max)),"
    "flow_sum=flow_sum+excluded.flow_sum,samples=samples+excluded.samples,"
    "excitation_s=excitation_s+excluded.excitation_s,"
    "low_battery_s=low_battery_s+excluded.low_battery_s,"
    "empty_pipe_s=empty_pipe_s+excluded.empty_pipe_s,"
    "upper_limit_s=upper_limit_s+excluded.upper_limit_s,"
    "lower_limit_s=lower_limit_s+excluded.lower_limit_s,"
    "no_reply_s=no_reply_s+excluded.no_reply_s,"
    "forward_seen=forward_seen+excluded.forward_seen,"
    "reverse_seen=reverse_seen+excluded.reverse_seen,"
    "longest_step=max(longest_step,excluded.longest_step),"
    "forward_from=excluded.forward_from,reverse_from=excluded.reverse_from";

constexpr const char* HoursSql = "select " ROLLUP_COLUMNS " from rollups where line=?1 and "
                                 "address=?2 and hour>=?3 and hour<?4 order by hour";
constexpr const char* LatestSql =
    "select " ROLLUP_COLUMNS " from rollups r where hour=(select max(hour) from rollups "
    "where line=r.line and address=r.address)";
constexpr const char* LatestOneSql = "select " ROLLUP_COLUMNS " from rollups where line=?1 and "
                                     "address=?2 order by hour desc limit 1";
constexpr const char* VolumesSql =
    "select hour,forward,reverse,forward_seen,reverse_seen,longest_step,marks from rollups "
    "where line=?1 and address=?2 and hour>=?3 and hour<?4 order by hour";
#define HISTORY_COLUMNS                                                                            \
    "select rowid,line,dizhi,MinuteAverage,Foward,Reverse,danwei2,zhuangtai,CreateTime,read_at "   \
    "from Historydata "
// The rowid range, never the address index: a meter's rows since a point are few.
#define SCAN_COLUMNS HISTORY_COLUMNS "where rowid>?1 and rowid<=?2"
constexpr const char* ScanTimesSql = HISTORY_COLUMNS "where dizhi=?1 and CreateTime>=?2 and "
                                                     "CreateTime<?3 and line=?4 order by rowid";
constexpr const char* ScanSql = SCAN_COLUMNS " order by rowid limit ?3";
constexpr const char* ScanMeterSql =
    SCAN_COLUMNS " and +line=?4 and +dizhi=?5 order by rowid limit ?3";

void bindOptional(sqlite3_stmt* statement, int at, const std::optional<double>& value) {
    if (value)
        sqlite3_bind_double(statement, at, *value);
    else
        sqlite3_bind_null(statement, at);
}

void bindOptional(sqlite3_stmt* statement, int at, const std::optional<qint64>& value) {
    if (value)
        sqlite3_bind_int64(statement, at, *value);
    else
        sqlite3_bind_null(statement, at);
}

template <typename T> std::optional<T> columnOptional(sqlite3_stmt* statement, int at) {
    if (sqlite3_column_type(statement, at) == SQLITE_NULL)
        return std::nullopt;
    if constexpr (std::is_same_v<T, double>)
        return sqlite3_column_double(statement, at);
    else
        return sqlite3_column_int64(statement, at);
}

std::string_view textOf(sqlite3_stmt* statement, int at) {
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement, at));
    if (!bytes)
        return {};
    return {bytes, std::size_t(sqlite3_column_bytes(statement, at))};
}

} // namespace

RollupTable::RollupTable(QSqlDatabase db)
    : m_db(std::move(db)), m_handle(HistoryCursor::handleOf(m_db)) {
    if (!m_handle)
        m_error = QStringLiteral("the database is not open");
}

RollupTable::~RollupTable() {
    for (sqlite3_stmt* statement :
         {m_upsert, m_hours, m_latest, m_latestOne, m_scan, m_scanMeter, m_volumes, m_scanTimes})
        sqlite3_finalize(statement);
}

bool RollupTable::fail() {
    m_error = m_handle ? QString::fromUtf8(sqlite3_errmsg(m_handle))
                       : QStringLiteral("the database is not open");
    return false;
}

sqlite3_stmt* RollupTable::prepared(sqlite3_stmt*& statement, const char* sql) {
    if (!m_handle) {
        fail();
        return nullptr;
    }
    if (!statement && sqlite3_prepare_v3(m_handle, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement,
                                         nullptr) != SQLITE_OK) {
        fail();
        sqlite3_finalize(statement);
        statement = nullptr;
        return nullptr;
    }
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    m_error.clear();
    return statement;
}

bool RollupTable::exec(const char* sql) {
    if (!m_handle || sqlite3_exec(m_handle, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        return fail();
    m_error.clear();
    return true;
}

bool RollupTable::begin() {
    return exec("begin immediate");
}

bool RollupTable::beginRead() {
    return exec("begin");
}

bool RollupTable::commit() {
    return exec("commit");
}

void RollupTable::rollback() {
    if (m_handle && !sqlite3_get_autocommit(m_handle))
        sqlite3_exec(m_handle, "rollback", nullptr, nullptr, nullptr);
}

bool RollupTable::add(const QList<RollupHour>& hours) {
    sqlite3_stmt* upsert = prepared(m_upsert, UpsertSql);
    if (!upsert)
        return false;
    for (const RollupHour& h : hours) {
        sqlite3_reset(upsert);
        sqlite3_bind_int(upsert, 1, h.line);
        sqlite3_bind_int(upsert, 2, h.address);
        sqlite3_bind_int64(upsert, 3, h.hour);
        bindOptional(upsert, 4, h.firstAt);
        bindOptional(upsert, 5, h.firstForward);
        bindOptional(upsert, 6, h.firstReverse);
        bindOptional(upsert, 7, h.lastAt);
        bindOptional(upsert, 8, h.lastForward);
        bindOptional(upsert, 9, h.lastReverse);
        const QByteArray unit = h.unit.toUtf8();
        sqlite3_bind_text(upsert, 10, unit.constData(), int(unit.size()), SQLITE_TRANSIENT);
        bindOptional(upsert, 11, h.forward);
        bindOptional(upsert, 12, h.reverse);
        sqlite3_bind_int(upsert, 13, h.marks);
        bindOptional(upsert, 14, h.flowMin);
        bindOptional(upsert, 15, h.flowMax);
        sqlite3_bind_double(upsert, 16, h.flowSum);
        sqlite3_bind_int(upsert, 17, h.samples);
        for (int a = 0; a < RollupHour::AlarmCount; ++a)
            sqlite3_bind_double(upsert, 18 + a, h.alarmSeconds[std::size_t(a)]);
        sqlite3_bind_int64(upsert, 24, h.forwardSeenMs);
        sqlite3_bind_int64(upsert, 25, h.reverseSeenMs);
        sqlite3_bind_int64(upsert, 26, h.longestStepMs);
        sqlite3_bind_int64(upsert, 27, h.forwardFrom);
        sqlite3_bind_int64(upsert, 28, h.reverseFrom);
        if (sqlite3_step(upsert) != SQLITE_DONE)
            return fail();
    }
    sqlite3_reset(upsert);
    return true;
}

QList<RollupHour> RollupTable::readHours(sqlite3_stmt* statement) {
    QList<RollupHour> hours;
    static_assert(ColumnCount == 28);
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
        RollupHour h;
        h.line = sqlite3_column_int(statement, 0);
        h.address = sqlite3_column_int(statement, 1);
        h.hour = sqlite3_column_int64(statement, 2);
        h.firstAt = columnOptional<qint64>(statement, 3);
        h.firstForward = columnOptional<double>(statement, 4);
        h.firstReverse = columnOptional<double>(statement, 5);
        h.lastAt = columnOptional<qint64>(statement, 6);
        h.lastForward = columnOptional<double>(statement, 7);
        h.lastReverse = columnOptional<double>(statement, 8);
        const std::string_view unit = textOf(statement, 9);
        h.unit = QString::fromUtf8(unit.data(), qsizetype(unit.size()));
        h.forward = columnOptional<double>(statement, 10);
        h.reverse = columnOptional<double>(statement, 11);
        h.marks = sqlite3_column_int(statement, 12);
        h.flowMin = columnOptional<double>(statement, 13);
        h.flowMax = columnOptional<double>(statement, 14);
        h.flowSum = sqlite3_column_double(statement, 15);
        h.samples = sqlite3_column_int(statement, 16);
        for (int a = 0; a < RollupHour::AlarmCount; ++a)
            h.alarmSeconds[std::size_t(a)] = sqlite3_column_double(statement, 17 + a);
        h.forwardSeenMs = sqlite3_column_int64(statement, 23);
        h.reverseSeenMs = sqlite3_column_int64(statement, 24);
        h.longestStepMs = sqlite3_column_int64(statement, 25);
        h.forwardFrom = sqlite3_column_int64(statement, 26);
        h.reverseFrom = sqlite3_column_int64(statement, 27);
        hours << h;
    }
    if (step != SQLITE_DONE)
        fail();
    sqlite3_reset(statement);
    return hours;
}

QList<RollupHour> RollupTable::hours(int line, int address, qint64 fromHour, qint64 toHour) {
    sqlite3_stmt* select = prepared(m_hours, HoursSql);
    if (!select)
        return {};
    sqlite3_bind_int(select, 1, line);
    sqlite3_bind_int(select, 2, address);
    sqlite3_bind_int64(select, 3, fromHour);
    sqlite3_bind_int64(select, 4, toHour);
    return readHours(select);
}

QList<RollupHour> RollupTable::volumes(int line, int address, qint64 fromHour, qint64 toHour) {
    sqlite3_stmt* select = prepared(m_volumes, VolumesSql);
    QList<RollupHour> hours;
    if (!select)
        return hours;
    sqlite3_bind_int(select, 1, line);
    sqlite3_bind_int(select, 2, address);
    sqlite3_bind_int64(select, 3, fromHour);
    sqlite3_bind_int64(select, 4, toHour);
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(select)) == SQLITE_ROW) {
        RollupHour& h = hours.emplace_back();
        h.line = line;
        h.address = address;
        h.hour = sqlite3_column_int64(select, 0);
        h.forward = columnOptional<double>(select, 1);
        h.reverse = columnOptional<double>(select, 2);
        h.forwardSeenMs = sqlite3_column_int64(select, 3);
        h.reverseSeenMs = sqlite3_column_int64(select, 4);
        h.longestStepMs = sqlite3_column_int64(select, 5);
        h.marks = sqlite3_column_int(select, 6);
    }
    if (step != SQLITE_DONE)
        fail();
    sqlite3_reset(select);
    return hours;
}

QList<RollupHour> RollupTable::latestHours() {
    sqlite3_stmt* select = prepared(m_latest, LatestSql);
    return select ? readHours(select) : QList<RollupHour>();
}

std::optional<RollupHour> RollupTable::latestHour(int line, int address) {
    sqlite3_stmt* select = prepared(m_latestOne, LatestOneSql);
    if (!select)
        return std::nullopt;
    sqlite3_bind_int(select, 1, line);
    sqlite3_bind_int(select, 2, address);
    const QList<RollupHour> hours = readHours(select);
    if (hours.isEmpty())
        return std::nullopt;
    return hours.front();
}

std::optional<qint64> RollupTable::single(const char* sql) {
    sqlite3_stmt* statement = nullptr;
    if (!m_handle || sqlite3_prepare_v2(m_handle, sql, -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        fail();
        return std::nullopt;
    }
    const int step = sqlite3_step(statement);
    std::optional<qint64> value;
    if (step == SQLITE_ROW)
        value = sqlite3_column_int64(statement, 0);
    else if (step == SQLITE_DONE)
        value = 0; // no row: nothing yet
    else
        fail();
    sqlite3_finalize(statement);
    return value;
}

std::optional<qint64> RollupTable::through() {
    return single("select max(through) from rollup_state");
}

std::optional<qint64> RollupTable::lastHistoryRow() {
    return single("select coalesce(max(rowid),0) from Historydata");
}

bool RollupTable::setThrough(qint64 row) {
    // An older store's table may have no row yet.
    const QByteArray sql = QByteArray("update rollup_state set through=") + QByteArray::number(row);
    if (!exec(sql.constData()))
        return false;
    if (sqlite3_changes(m_handle) > 0)
        return true;
    return exec(
        (QByteArray("insert into rollup_state (through) values (") + QByteArray::number(row) + ")")
            .constData());
}

bool RollupTable::scan(qint64 after, qint64 upTo, qint64 limit, const Visit& visit,
                       std::optional<std::pair<int, int>> meter) {
    sqlite3_stmt* select = meter ? prepared(m_scanMeter, ScanMeterSql) : prepared(m_scan, ScanSql);
    if (!select)
        return false;
    sqlite3_bind_int64(select, 1, after);
    sqlite3_bind_int64(select, 2, upTo);
    sqlite3_bind_int64(select, 3, limit);
    if (meter) {
        sqlite3_bind_int(select, 4, meter->first);
        const QByteArray address = QByteArray::number(meter->second);
        sqlite3_bind_text(select, 5, address.constData(), int(address.size()), SQLITE_TRANSIENT);
    }
    return walk(select, visit);
}

bool RollupTable::scanTimes(int line, int address, const QString& from, const QString& to,
                            const Visit& visit) {
    sqlite3_stmt* select = prepared(m_scanTimes, ScanTimesSql);
    if (!select)
        return false;
    const QByteArray texts[] = {QByteArray::number(address), from.toUtf8(), to.toUtf8()};
    for (int i = 0; i < 3; ++i)
        sqlite3_bind_text(select, i + 1, texts[i].constData(), int(texts[i].size()),
                          SQLITE_TRANSIENT);
    sqlite3_bind_int(select, 4, line);
    return walk(select, visit);
}

bool RollupTable::walk(sqlite3_stmt* select, const Visit& visit) {
    int step = SQLITE_ROW;
    HistoryRow row;
    while ((step = sqlite3_step(select)) == SQLITE_ROW) {
        row.row = sqlite3_column_int64(select, 0);
        row.line = sqlite3_column_int(select, 1);
        const std::string_view address = textOf(select, 2);
        row.address = 0;
        std::from_chars(address.data(), address.data() + address.size(), row.address);
        row.flowRate = textOf(select, 3);
        row.forward = textOf(select, 4);
        row.reverse = textOf(select, 5);
        row.unit = textOf(select, 6);
        row.status = textOf(select, 7);
        row.createTime = textOf(select, 8);
        row.readAt = columnOptional<qint64>(select, 9);
        visit(row);
    }
    sqlite3_reset(select);
    if (step != SQLITE_DONE)
        return fail();
    return true;
}
