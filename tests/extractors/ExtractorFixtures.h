// Fixture helpers of the extractor tests: scratch databases built from the
// sample generator or from a few SQL statements.
#pragma once

#include <string>

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "tools/sample/PhoneDatabases.h"

// Writes a database from SQL statements; false (with a test warning) on failure.
bool MakeDatabase(const QString& path, const QStringList& statements);

// Writes `bytes` to `path`.
bool WriteBytes(const QString& path, const QByteArray& bytes);

// Names of the files in `dir` (to see that reading left no -wal/-shm behind).
QStringList FilesIn(const QString& dir);

inline std::string Utf8(const char* text = "")
{
    return std::string(text);
}
