// Many rows of a backup's database read without Qt's per-value conversions: a
// connection of its own, opened as OpenBackupDatabase opens one (read-only,
// immutable, no link or FIFO in the file's place), and one statement whose
// columns are taken straight from SQLite. Each accessor gives exactly what the
// same call on a QSqlQuery value of the QSQLITE driver gives (Text: as ValueText),
// so a reader can move over without a change in its results; only text that is
// not valid UTF-8 takes the slow way through QString.
#pragma once

#include <string>

#include <QByteArray>
#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

class CBackupRows {
public:
    CBackupRows(const QString& path, const QString& sql);
    ~CBackupRows();
    CBackupRows(const CBackupRows&) = delete;
    CBackupRows& operator=(const CBackupRows&) = delete;

    // False when the database could not be opened or the statement not prepared.
    bool IsReady() const { return m_pStmt != nullptr; }
    // Steps to the next row; false at the end or on an error.
    bool Next();

    bool IsNull(int column) const;
    int Int(int column) const;             // value(column).toInt()
    long long Int64(int column) const;     // value(column).toLongLong()
    double Double(int column) const;       // value(column).toDouble()
    std::string Text(int column) const;    // ValueText(value(column))
    QByteArray Bytes(int column) const;    // value(column).toByteArray()
    int TextLength(int column) const;      // value(column).toString().size()
    QVariant Value(int column) const;      // value(column) as the driver builds it

private:
    sqlite3* m_pDb = nullptr;
    sqlite3_stmt* m_pStmt = nullptr;
};

// True when `data` is well-formed UTF-8 (no overlong forms, surrogates or code
// points past U+10FFFF): such text passes through UTF-16 and back unchanged.
bool IsWellFormedUtf8(const char* data, size_t length);
