#include "SettingsTable.h"

#include "Record.h"

RowSet SettingsTable::read() const {
    return Record(QStringLiteral("select * from kente"), m_db);
}
