// Small pieces shared by the commands of quillmere-cli.
#pragma once

#include <QJsonObject>
#include <QString>
#include <QTextStream>

#include "engine/BackupRecords.h"

// {"path", "name", "date", "serial", "phone", "encrypted", "version_above_11"}
QJsonObject BackupInfoJson(const __BACK_FILE_INFO__& info);

// One JSON document on `out`.
void WriteJson(QTextStream& out, const QJsonObject& object);
void WriteJson(QTextStream& out, const QJsonArray& array);

// A narrow engine string (UTF-8) as a QString.
inline QString FromEngine(const std::string& text)
{
    return QString::fromUtf8(text.data(), int(text.size()));
}
