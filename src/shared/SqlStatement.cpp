#include "SqlStatement.h"

#include <sqlite3.h>

namespace moravel::sql {

Statement::Statement(sqlite3* db, const char* sql, Lifetime lifetime) {
    const unsigned flags = lifetime == Lifetime::Kept ? SQLITE_PREPARE_PERSISTENT : 0;
    if (sqlite3_prepare_v3(db, sql, -1, flags, &m_statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
    }
}

Statement::~Statement() {
    sqlite3_finalize(m_statement);
}

void Statement::bind(int index, const QString& text) {
    if (text.isNull()) {
        sqlite3_bind_null(m_statement, index);
        return;
    }
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(m_statement, index, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
}

void Statement::bind(int index, qint64 value) {
    sqlite3_bind_int64(m_statement, index, value);
}

int Statement::step() {
    return sqlite3_step(m_statement);
}

bool Statement::run() {
    int rc;
    while ((rc = step()) == SQLITE_ROW) {
    }
    return rc == SQLITE_DONE;
}

void Statement::reset() {
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

qint64 Statement::integer(int column) const {
    return sqlite3_column_int64(m_statement, column);
}

QString Statement::text(int column) const {
    const QByteArrayView utf8 = bytes(column);
    return utf8.data() ? QString::fromUtf8(utf8) : QString();
}

QByteArrayView Statement::bytes(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
    return text ? QByteArrayView(text, sqlite3_column_bytes(m_statement, column)) : QByteArrayView();
}

bool execute(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

int errorCode(sqlite3* db) {
    return sqlite3_extended_errcode(db);
}

const char* errorText(sqlite3* db) {
    return sqlite3_errmsg(db);
}

bool isBusy(int code) {
    return (code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED;
}

} // namespace moravel::sql
