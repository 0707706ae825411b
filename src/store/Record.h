#pragma once

#include "RowSet.h"

#include <QSqlDatabase>
#include <QString>
#include <QVariantList>

// Runs one statement and never reports a failure. A query gives an open
// row set on its first row; an update or delete is carried out and gives a
// row set that is not open, as does any statement that fails. Values from
// boxes and meters go in as bound values, never into the text.
RowSet Record(const QString& sql, const QSqlDatabase& db, const QVariantList& values = {});
