// Databases inside a backup are never written: opened read-only and immutable,
// SQLite neither takes locks nor creates -wal/-shm files beside them, and
// WAL-mode databases on read-only media still open.
#pragma once

#include <QSqlDatabase>
#include <QString>

// db is a connection the caller added with QSqlDatabase::addDatabase("QSQLITE", name).
bool OpenBackupDatabase(QSqlDatabase& db, const QString& path);
