#include "cli/CliSupport.h"

#include <QJsonArray>
#include <QJsonDocument>

QJsonObject BackupInfoJson(const __BACK_FILE_INFO__& info)
{
    QJsonObject o;
    o.insert(QStringLiteral("path"), FromEngine(info.strBackupPath));
    o.insert(QStringLiteral("name"), FromEngine(info.strDisplayName));
    o.insert(QStringLiteral("date"), FromEngine(info.strBackupDate));
    o.insert(QStringLiteral("serial"), FromEngine(info.strSerialNumber));
    o.insert(QStringLiteral("phone"), FromEngine(info.strPhoneNumber));
    o.insert(QStringLiteral("encrypted"), info.bEncrypted);
    o.insert(QStringLiteral("version_above_11"), info.bVersionAbove11);
    return o;
}

void WriteJson(QTextStream& out, const QJsonObject& object)
{
    out << QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented));
    out.flush();
}

void WriteJson(QTextStream& out, const QJsonArray& array)
{
    out << QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented));
    out.flush();
}
