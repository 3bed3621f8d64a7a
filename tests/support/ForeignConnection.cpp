#include "ForeignConnection.h"

#include <QFile>

#include <sqlite3.h>

namespace moravel::test {

ForeignConnection::ForeignConnection(const QString& path) {
    sqlite3_open(QFile::encodeName(path).constData(), &m_db);
    sqlite3_busy_timeout(m_db, 5000);
}

ForeignConnection::~ForeignConnection() {
    sqlite3_close(m_db);
}

bool ForeignConnection::execute(const QString& sql) {
    return sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

QStringList ForeignConnection::column(const QString& sql) {
    QStringList values;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &statement, nullptr) == SQLITE_OK) {
        while (sqlite3_step(statement) == SQLITE_ROW) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
            values << (text ? QString::fromUtf8(text, sqlite3_column_bytes(statement, 0)) : QString());
        }
    }
    sqlite3_finalize(statement);
    return values;
}

QString ForeignConnection::error() const {
    return QString::fromUtf8(sqlite3_errmsg(m_db));
}

} // namespace moravel::test
