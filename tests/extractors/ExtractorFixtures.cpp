#include "ExtractorFixtures.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include "tools/sample/SampleSqlite.h"

bool MakeDatabase(const QString& path, const QStringList& statements)
{
    CSampleSqlite db(path);
    db.ExecAll(statements);
    if (!db.Finish()) {
        qWarning("%s", qPrintable(db.Error()));
        return false;
    }
    return true;
}

bool WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(bytes) == bytes.size();
}

QStringList FilesIn(const QString& dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}
