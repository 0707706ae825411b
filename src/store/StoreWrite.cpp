#include "StoreWrite.h"

#include <QSqlError>

StoreWrite StoreWrite::refused(const QSqlError& error) {
    // SQLite's sentence first; Qt's wrapper text ("Unable to fetch row")
    // says nothing about the cause.
    QString reason = error.databaseText().trimmed();
    if (reason.isEmpty())
        reason = error.driverText().trimmed();
    if (reason.isEmpty())
        reason = QStringLiteral("unknown error");
    return {Outcome::Refused, reason};
}
