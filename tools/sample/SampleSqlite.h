// Writing a sample SQLite database quickly: one transaction, no journal, and
// prepared statements bound by position.
#pragma once

#include <initializer_list>

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>

class CSampleSqlite {
public:
    // Replaces any file at `path` and starts a transaction.
    explicit CSampleSqlite(const QString& path);
    ~CSampleSqlite();
    CSampleSqlite(const CSampleSqlite&) = delete;
    CSampleSqlite& operator=(const CSampleSqlite&) = delete;

    bool Ok() const { return m_strError.isEmpty(); }
    QString Error() const { return m_strError; }

    bool Exec(const QString& sql);
    bool ExecAll(const QStringList& statements);
    // A prepared statement on this database; check Ok() after the rows are in.
    QSqlQuery Prepare(const QString& sql);
    bool Insert(QSqlQuery& query, std::initializer_list<QVariant> values);
    // Commits and closes; false (with Error()) if anything failed on the way.
    bool Finish();

private:
    void Fail(const QString& what, const QString& detail);

    QString m_strConnName;
    QSqlDatabase m_db;
    QString m_strError;
    bool m_bFinished = false;
};

// A QVariant holding a BLOB (SQLite stores it with the blob storage class).
QVariant BlobValue(const QByteArray& bytes);
