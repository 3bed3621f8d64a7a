#pragma once

#include <QString>
#include <QStringList>

struct sqlite3;

namespace moravel::test {

// A connection of its own to a database file, as another program has one (the sqlite3 shell, a
// backup or sync tool, a script): what a test does to the file behind the store's back.
class ForeignConnection {
public:
    // Opens read-write, creating the file when it does not exist.
    explicit ForeignConnection(const QString& path);
    ~ForeignConnection();
    ForeignConnection(const ForeignConnection&) = delete;
    ForeignConnection& operator=(const ForeignConnection&) = delete;

    // Runs the statements; true when all ran, else error() says why.
    bool execute(const QString& sql);
    // The first column of every row as text (NULL as a null text); empty when the query failed.
    QStringList column(const QString& sql);
    QString error() const;

    sqlite3* handle() const { return m_db; }

private:
    sqlite3* m_db = nullptr;
};

} // namespace moravel::test
