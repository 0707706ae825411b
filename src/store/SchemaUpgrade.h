#pragma once

#include "StoreWrite.h"

#include <QSqlDatabase>

// Brings a store made by an older version of the tool up to schema.sql in
// place, nothing lost: tables added since are created, columns added with
// their defaults, and a table whose key changed is rebuilt with every
// column it had. A table the store lacks altogether stays missing: that is
// a damaged store, which start-up reports as such.
class SchemaUpgrade {
public:
    // All in one transaction, committed with full sync: done when the store
    // was up to date or now is; refused, with nothing changed, otherwise.
    static StoreWrite run(const QSqlDatabase& db);
};
