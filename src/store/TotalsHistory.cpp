#include "TotalsHistory.h"

#include "StoredTime.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>

namespace {

constexpr qint64 DayMs = 24 * 3600 * 1000;

// The stored time text of an instant, in the local time the rows are
// written in.
QString localText(qint64 instant) {
    return StoredTime::text(QDateTime::fromMSecsSinceEpoch(instant));
}

// The meter's rows the condition picks, in the order given; false, with the
// store's reason, when the statement fails. A row whose time cannot be read
// is left out.
bool select(const QSqlDatabase& db, int line, int address, const QString& condition,
            const QVariantList& values, QList<StoredTotals>& rows, QString* error) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    // By the (dizhi, CreateTime) index: the address is kept as text.
    if (!query.prepare(QStringLiteral("select Foward,Reverse,danwei2,CreateTime,read_at from "
                                      "Historydata where dizhi=? and line=? and ") +
                       condition)) {
        *error = query.lastError().text();
        return false;
    }
    query.addBindValue(QString::number(address));
    query.addBindValue(line);
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec()) {
        *error = query.lastError().text();
        return false;
    }
    while (query.next()) {
        StoredTotals row{0, query.value(0).toString(), query.value(1).toString(),
                         query.value(2).toString()};
        // Older rows have no moment: their local time text is it.
        if (!query.isNull(4)) {
            row.instant = query.value(4).toLongLong();
        } else {
            const std::optional<qint64> clock =
                StoredTime::clockSeconds(query.value(3).toString().toStdString());
            if (!clock)
                continue;
            row.instant = StoredTime::localTime(*clock).toMSecsSinceEpoch();
        }
        rows << row;
    }
    return true;
}

} // namespace

std::optional<QList<StoredTotals>> TotalsHistory::read(int line, int address, qint64 from,
                                                       qint64 to, QString* error) const {
    // The texts are local time, which may stand an hour off the moment or
    // repeat: the span is widened by a day each side and cut by the moment.
    const QString first = localText(from - DayMs);
    const QString last = localText(to + DayMs);
    QList<StoredTotals> rows;
    if (!select(m_db, line, address, QStringLiteral("CreateTime between ? and ?"), {first, last},
                rows, error))
        return std::nullopt;
    std::stable_sort(rows.begin(), rows.end(), [](const StoredTotals& a, const StoredTotals& b) {
        return a.instant < b.instant;
    });
    const auto begin = std::lower_bound(
        rows.begin(), rows.end(), from,
        [](const StoredTotals& row, qint64 instant) { return row.instant < instant; });
    const auto end =
        std::upper_bound(rows.begin(), rows.end(), to, [](qint64 instant, const StoredTotals& row) {
            return instant < row.instant;
        });
    QList<StoredTotals> kept;
    // The neighbours outside: within the day's margin, else further away.
    QList<StoredTotals> before;
    if (begin != rows.begin()) {
        before << *(begin - 1);
    } else if (!select(m_db, line, address,
                       QStringLiteral("CreateTime<? ORDER BY CreateTime desc limit 1"), {first},
                       before, error)) {
        return std::nullopt;
    }
    QList<StoredTotals> after;
    if (end != rows.end()) {
        after << *end;
    } else if (!select(m_db, line, address,
                       QStringLiteral("CreateTime>? ORDER BY CreateTime asc limit 1"), {last},
                       after, error)) {
        return std::nullopt;
    }
    kept << before;
    kept.append(QList<StoredTotals>(begin, end));
    kept << after;
    return kept;
}

QString TotalsHistory::latestUnit(int line, int address) const {
    QList<StoredTotals> rows;
    QString error;
    select(m_db, line, address, QStringLiteral("danwei2<>'' ORDER BY CreateTime desc limit 1"), {},
           rows, &error);
    return rows.isEmpty() ? QString() : rows.front().unit;
}
