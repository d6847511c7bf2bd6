#include "cli/CliSupport.h"

#include <QJsonArray>
#include <QJsonDocument>

CliArguments ParseCliArguments(const QStringList& args, const QStringList& valued, const QStringList& flags)
{
    CliArguments parsed;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (valued.contains(a)) {
            if (i + 1 >= args.size()) {
                parsed.error = QStringLiteral("%1 needs a value").arg(a);
                return parsed;
            }
            parsed.values.insert(a, args.at(++i));
        } else if (flags.contains(a)) {
            parsed.flags << a;
        } else if (a.startsWith(QLatin1String("--"))) {
            parsed.error = QStringLiteral("unknown option %1").arg(a);
            return parsed;
        } else {
            parsed.positional << a;
        }
    }
    return parsed;
}

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
