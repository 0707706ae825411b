#pragma once

#include <QList>
#include <QString>
#include <QVariant>

class QSqlError;
class QSqlQuery;

// What became of a change the tool asked the store for. A refusal carries
// SQLite's own words for it ("database or disk is full", "attempt to write
// a readonly database", "database is locked"), so a notice can name the
// real cause.
struct StoreWrite {
    enum class Outcome {
        Done,
        NoSuchRow, // carried out, but no row had the key: nothing to change
        Refused,   // the store would not take it
    };

    Outcome outcome = Outcome::Done;
    QString reason; // when refused

    static StoreWrite done() { return {}; }
    static StoreWrite noSuchRow() { return {Outcome::NoSuchRow, {}}; }
    static StoreWrite refused(const QSqlError& error);
    static StoreWrite refused(QString reason) { return {Outcome::Refused, std::move(reason)}; }
    // Prepares `sql` on `query`, binds `values` in order and runs it: done,
    // or refused with the store's reason.
    static StoreWrite run(QSqlQuery& query, const QString& sql, const QList<QVariant>& values = {});

    // The one-line notice of a refusal.
    static QString failureNotice(const QString& reason) {
        return QStringLiteral("Notice: Database write failed: ") + reason;
    }

    bool isDone() const { return outcome == Outcome::Done; }
    bool isRefused() const { return outcome == Outcome::Refused; }
};
