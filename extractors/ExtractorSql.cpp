#include "extractors/ExtractorSql.h"

#include <QByteArray>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>
#include <QVariant>

#include "support/BackupDatabase.h"
#include "support/SafeFile.h"

namespace {

// A connection belongs to the thread that made it: readers running side by side
// may ask for the same name, so each thread gets its own.
QString ThreadConnectionName(const QString& name)
{
    return name + QLatin1Char('@') + QString::number(quintptr(QThread::currentThreadId()), 16);
}

} // namespace

CBackupConnection::CBackupConnection(const QString& connectionName, const QString& path)
    : m_strConnName(ThreadConnectionName(connectionName))
{
    if (QSqlDatabase::contains(m_strConnName)) {
        m_db = QSqlDatabase::database(m_strConnName, false);
        m_db.close();
    } else {
        m_db = QSqlDatabase::addDatabase("QSQLITE", m_strConnName);
    }
    m_bOpen = !path.isEmpty() && OpenBackupDatabase(m_db, path);
}

CBackupConnection::~CBackupConnection()
{
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_strConnName);
}

QStringList CBackupConnection::Columns(const QString& table)
{
    QStringList names;
    if (!m_bOpen)
        return names;
    QSqlQuery query(m_db);
    // PRAGMA does not take bound parameters; the table names are our own constants.
    if (query.exec(QStringLiteral("PRAGMA table_info(\"%1\")").arg(table))) {
        while (query.next())
            names << query.value(1).toString();
    }
    return names;
}

bool CBackupConnection::HasTable(const QString& table)
{
    if (!m_bOpen)
        return false;
    QSqlQuery query(m_db);
    query.prepare("SELECT 1 FROM sqlite_master WHERE type IN ('table','view') AND name = ?");
    query.addBindValue(table);
    return query.exec() && query.next();
}

bool ExecEither(QSqlQuery& query, const QString& first, const QString& second)
{
    if (query.exec(first))
        return true;
    return query.exec(second);
}

bool ExecFirstOf(QSqlQuery& query, std::initializer_list<const char*> forms)
{
    for (const char* sql : forms) {
        if (query.exec(QString::fromLatin1(sql)))
            return true;
    }
    return false;
}

std::string ValueText(const QVariant& value)
{
    if (value.isNull())
        return std::string();
    if (value.typeId() == QMetaType::QByteArray)
        return QString::fromUtf8(value.toByteArray()).toStdString();
    return value.toString().toStdString();
}

bool CopyDatabaseOut(const char* sourcePath, const char* targetPath)
{
    if (!sourcePath || !targetPath)
        return false;
    // Never through a link or from a FIFO or device a hostile backup put in its place.
    return CopyBackupFile(sourcePath, targetPath) == 0;
}
