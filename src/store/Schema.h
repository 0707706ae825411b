#pragma once

#include <QStringList>

// The statements of schema.sql, the one description of the tables and
// their starting rows: the starting database runs them all, and a newer
// table is added to an older database from the same text.
namespace Schema {

// Every statement, in file order, without its closing semicolon.
QStringList statements();

// The statements that create and fill `table`: its CREATE TABLE, its
// indexes and its INSERTs.
QStringList statementsOf(const QString& table);

} // namespace Schema
