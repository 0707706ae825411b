#pragma once

#include "AlarmOccurrence.h"
#include "StoreWrite.h"

#include <QList>
#include <QSqlDatabase>
#include <optional>

// `alarm_journal`: when each alarm of each meter came and went, and who
// acknowledged it. Every change commits at once with full sync: an alarm
// seen is never lost to a power cut.
class AlarmJournal {
public:
    // The rows that came or went from `from` to `to` (ms, both included),
    // or lasted over them, of one line and one meter when set.
    struct Search {
        qint64 from = 0;
        qint64 to = 0;
        std::optional<int> line = std::nullopt;
        std::optional<int> address = std::nullopt;
        bool newestFirst = true;
    };

    explicit AlarmJournal(QSqlDatabase db) : m_db(std::move(db)) {}

    // A new row; `id` receives its id.
    StoreWrite came(int line, int address, const QString& alarm, qint64 at, qint64* id = nullptr);
    // Closes the meter's open row of that alarm; NoSuchRow when none is open.
    StoreWrite went(int line, int address, const QString& alarm, qint64 at);
    // Marks a row acknowledged, once: the first acknowledgement stays.
    StoreWrite acknowledge(qint64 id, qint64 at, int level);

    // Ordered by the time they came; empty when the store cannot be read.
    QList<AlarmOccurrence> search(const Search& search) const;
    // Every row still open, oldest first.
    QList<AlarmOccurrence> open() const;

private:
    StoreWrite change(const QString& sql, const QVariantList& values, qint64* id = nullptr);
    QList<AlarmOccurrence> select(const QString& where, const QVariantList& values,
                                  bool newestFirst) const;

    QSqlDatabase m_db;
};
