#include "tools/sample/SampleSqlite.h"

#include <atomic>

#include <QFile>
#include <QSqlError>

namespace {
std::atomic<int> s_nConnectionCounter{0};
}

CSampleSqlite::CSampleSqlite(const QString& path)
{
    m_strConnName = QString("sample_sqlite_%1").arg(s_nConnectionCounter.fetch_add(1));
    QFile::remove(path);
    m_db = QSqlDatabase::addDatabase("QSQLITE", m_strConnName);
    m_db.setDatabaseName(path);
    if (!m_db.open()) {
        Fail("open " + path, m_db.lastError().text());
        return;
    }
    // A sample is written once from scratch: no journal, no syncs.
    Exec("PRAGMA journal_mode=OFF");
    Exec("PRAGMA synchronous=OFF");
    Exec("PRAGMA page_size=4096");
    if (Ok() && !m_db.transaction())
        Fail("begin", m_db.lastError().text());
}

CSampleSqlite::~CSampleSqlite()
{
    if (!m_bFinished && m_db.isOpen())
        m_db.rollback();
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_strConnName);
}

void CSampleSqlite::Fail(const QString& what, const QString& detail)
{
    if (m_strError.isEmpty())
        m_strError = what + ": " + detail;
}

bool CSampleSqlite::Exec(const QString& sql)
{
    if (!Ok())
        return false;
    QSqlQuery query(m_db);
    if (!query.exec(sql)) {
        Fail(sql.left(80), query.lastError().text());
        return false;
    }
    return true;
}

bool CSampleSqlite::ExecAll(const QStringList& statements)
{
    for (const QString& sql : statements) {
        if (!Exec(sql))
            return false;
    }
    return true;
}

QSqlQuery CSampleSqlite::Prepare(const QString& sql)
{
    QSqlQuery query(m_db);
    if (Ok() && !query.prepare(sql))
        Fail("prepare " + sql.left(80), query.lastError().text());
    return query;
}

bool CSampleSqlite::Insert(QSqlQuery& query, std::initializer_list<QVariant> values)
{
    if (!Ok())
        return false;
    int i = 0;
    for (const QVariant& value : values)
        query.bindValue(i++, value);
    if (!query.exec()) {
        Fail("insert " + query.lastQuery().left(80), query.lastError().text());
        return false;
    }
    return true;
}

bool CSampleSqlite::Finish()
{
    if (Ok() && !m_db.commit())
        Fail("commit", m_db.lastError().text());
    m_bFinished = true;
    m_db.close();
    return Ok();
}

QVariant BlobValue(const QByteArray& bytes)
{
    return QVariant(bytes);
}
