#pragma once

#include <QString>

class QSqlError;

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

    // The one-line notice of a refusal.
    static QString failureNotice(const QString& reason) {
        return QStringLiteral("Notice: Database write failed: ") + reason;
    }

    bool isDone() const { return outcome == Outcome::Done; }
    bool isRefused() const { return outcome == Outcome::Refused; }
};
