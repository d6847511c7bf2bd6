// Small helpers the phone-database readers share: a named connection that is
// opened read-only on a database inside a backup and removed again when it goes
// out of scope, and the conversions of query values to record text.
#pragma once

#include <initializer_list>
#include <string>

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

class QSqlQuery;
class QVariant;

class CBackupConnection {
public:
    // Takes the calling thread's connection of that name if one exists, otherwise
    // adds it, and opens `path` read-only and immutable.
    CBackupConnection(const QString& connectionName, const QString& path);
    ~CBackupConnection();
    CBackupConnection(const CBackupConnection&) = delete;
    CBackupConnection& operator=(const CBackupConnection&) = delete;

    bool IsOpen() const { return m_bOpen; }
    QSqlDatabase& Database() { return m_db; }
    // Column names of a table, empty when the table does not exist.
    QStringList Columns(const QString& table);
    bool HasTable(const QString& table);

private:
    QString m_strConnName;
    QSqlDatabase m_db;
    bool m_bOpen = false;
};

// Runs `first`; when it fails (typically because this database numbers its
// columns differently) runs `second` on the same query object.
bool ExecEither(QSqlQuery& query, const QString& first, const QString& second);
// The same for any number of forms, tried in order: true once one runs.
bool ExecFirstOf(QSqlQuery& query, std::initializer_list<const char*> forms);

// Record text from a query value: text as UTF-8, a BLOB decoded as UTF-8 text.
std::string ValueText(const QVariant& value);

// Copies a database out of the backup whole, only when it is a regular file (no link,
// FIFO or device). Never overwrites an existing file, leaves nothing behind on failure;
// the copy gets the export file mode (not world-writable, owned by the invoking
// user when we run as root on his behalf).
bool CopyDatabaseOut(const char* sourcePath, const char* targetPath);
