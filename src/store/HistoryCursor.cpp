#include "HistoryCursor.h"

#include <QSqlDriver>
#include <sqlite3.h>

namespace {

bool bind(sqlite3_stmt* statement, int at, const QVariant& value) {
    if (value.isNull())
        return sqlite3_bind_null(statement, at) == SQLITE_OK;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
        return sqlite3_bind_int64(statement, at, value.toLongLong()) == SQLITE_OK;
    default: {
        const QByteArray text = value.toString().toUtf8();
        return sqlite3_bind_text(statement, at, text.constData(), int(text.size()),
                                 SQLITE_TRANSIENT) == SQLITE_OK;
    }
    }
}

} // namespace

sqlite3* HistoryCursor::handleOf(const QSqlDatabase& db) {
    if (!db.isOpen() || !db.driver())
        return nullptr;
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

HistoryCursor::HistoryCursor(const QSqlDatabase& db, const BoundStatement& statement) : m_db(db) {
    sqlite3* handle = handleOf(m_db);
    if (!handle) {
        m_error = QStringLiteral("the database is not open");
        return;
    }
    const QByteArray sql = statement.sql.toUtf8();
    if (sqlite3_prepare_v2(handle, sql.constData(), int(sql.size()), &m_statement, nullptr) !=
        SQLITE_OK) {
        m_error = QString::fromUtf8(sqlite3_errmsg(handle));
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
        return;
    }
    for (int i = 0; i < statement.values.size(); ++i) {
        if (!bind(m_statement, i + 1, statement.values[i])) {
            m_error = QString::fromUtf8(sqlite3_errmsg(handle));
            sqlite3_finalize(m_statement);
            m_statement = nullptr;
            return;
        }
    }
    m_columns = sqlite3_column_count(m_statement);
}

HistoryCursor::~HistoryCursor() {
    sqlite3_finalize(m_statement);
}

bool HistoryCursor::next() {
    if (!m_statement || !m_error.isEmpty())
        return false;
    const int step = sqlite3_step(m_statement);
    if (step == SQLITE_ROW)
        return true;
    if (step != SQLITE_DONE)
        m_error = QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(m_statement)));
    return false;
}

std::string_view HistoryCursor::text(int column) const {
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
    if (!bytes)
        return {};
    return {bytes, std::size_t(sqlite3_column_bytes(m_statement, column))};
}
