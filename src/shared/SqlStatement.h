#pragma once

// The store's own access to SQLite: one prepared statement, and plain statements without
// results. Only the store's files include this.

#include <QByteArrayView>
#include <QString>

struct sqlite3;
struct sqlite3_stmt;

namespace moravel::sql {

class Statement {
public:
    enum class Lifetime { Once, Kept };

    Statement(sqlite3* db, const char* sql, Lifetime lifetime = Lifetime::Once);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return m_statement != nullptr; }

    // A null text binds NULL.
    void bind(int index, const QString& text);
    void bind(int index, qint64 value);

    // SQLite's result of one step: SQLITE_ROW, SQLITE_DONE or an error code.
    int step();
    // Steps to the end; true when the statement ran through.
    bool run();
    // Ready to run again, with no value bound.
    void reset();

    qint64 integer(int column) const;
    // NULL reads as a null text.
    QString text(int column) const;
    // The stored text as UTF-8, valid until the next step.
    QByteArrayView bytes(int column) const;

private:
    sqlite3_stmt* m_statement = nullptr;
};

// Runs statements that return no rows; true when all ran.
bool execute(sqlite3* db, const char* sql);

// SQLite's extended code and text of the connection's last failure.
int errorCode(sqlite3* db);
const char* errorText(sqlite3* db);

// Whether a failure came from another connection holding the lock that was asked for.
bool isBusy(int code);

} // namespace moravel::sql
