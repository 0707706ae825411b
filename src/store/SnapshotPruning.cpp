#include "SnapshotPruning.h"

#include "SettingsTable.h"
#include "StoredTime.h"

#include <QSqlError>
#include <QSqlQuery>

std::optional<SnapshotPruning> SnapshotPruning::due(const QSqlDatabase& db, const QDateTime& now) {
    const SettingsTable::Read stored = SettingsTable(db).read();
    bool ok = false;
    const int days = stored.settings.keepDays.toInt(&ok);
    if (stored.error || !ok || days <= 0)
        return std::nullopt;
    // Calendar days: a day with a clock change is still one day.
    return SnapshotPruning(db, StoredTime::text(now.addDays(-days)));
}

SnapshotPruning::SnapshotPruning(QSqlDatabase db, QString before)
    : m_db(std::move(db)), m_before(std::move(before)) {
    QSqlQuery through(m_db);
    if (!through.exec(QStringLiteral("select max(through) from rollup_state"))) {
        refuse(through.lastError().text());
        return;
    }
    m_through = through.next() ? through.value(0).toLongLong() : 0;
    m_finished = m_through <= 0; // nothing is summed yet
}

std::optional<int> SnapshotPruning::refuse(const QString& why) {
    m_finished = true;
    m_error = why;
    return std::nullopt;
}

std::optional<int> SnapshotPruning::next(int rows) {
    if (m_finished)
        return 0;
    // Read from the time index alone (it holds the row number), outside
    // any write.
    QSqlQuery find(m_db);
    find.setForwardOnly(true);
    if (!find.prepare(QStringLiteral("select rowid,CreateTime from Historydata where "
                                     "CreateTime>=? and CreateTime<? and +rowid<=? "
                                     "order by CreateTime limit ?")))
        return refuse(find.lastError().text());
    find.addBindValue(m_from);
    find.addBindValue(m_before);
    find.addBindValue(m_through);
    find.addBindValue(rows);
    if (!find.exec())
        return refuse(find.lastError().text());
    QVariantList found;
    while (find.next()) {
        found << find.value(0);
        m_from = find.value(1).toString();
    }
    if (find.lastError().isValid())
        return refuse(find.lastError().text());
    find.finish();
    m_finished = found.size() < rows;
    if (found.isEmpty())
        return 0;

    QString marks(found.size() * 2 - 1, QLatin1Char(','));
    for (qsizetype i = 0; i < marks.size(); i += 2)
        marks[i] = QLatin1Char('?');
    QSqlQuery remove(m_db);
    if (!remove.prepare(QStringLiteral("delete from Historydata where rowid in (%1)").arg(marks)))
        return refuse(remove.lastError().text());
    for (const QVariant& row : std::as_const(found))
        remove.addBindValue(row);
    if (!remove.exec())
        return refuse(remove.lastError().text());
    const int count = remove.numRowsAffected();
    m_deleted += count;
    return count;
}
