#include "export/RecoveryManifest.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

#include "engine/Categories.h"
#include "export/ExportNames.h"
#include "support/Platform.h"
#include "support/Version.h"

namespace {
QJsonValue DayOrNull(const QDate& day)
{
    return day.isNull() ? QJsonValue(QJsonValue::Null) : QJsonValue(day.toString(Qt::ISODate));
}

QJsonArray FileList(const std::map<std::string, WrittenFile>* files, const QString& destination)
{
    QJsonArray list;
    if (!files)
        return list;
    const QString prefix = QDir::cleanPath(destination) + QLatin1Char('/');
    for (const auto& entry : *files) {
        QString path = QDir::cleanPath(QString::fromStdString(entry.first));
        if (!path.startsWith(prefix))
            continue;
        QJsonObject file;
        file.insert(QStringLiteral("path"), path.mid(prefix.size()));
        file.insert(QStringLiteral("size"), entry.second.nSize);
        file.insert(QStringLiteral("sha256"), QString::fromStdString(entry.second.strSha256));
        list.append(file);
    }
    return list;
}
}

QStringList SelectedCategoryKeys(const RecoverySelection& s)
{
    const bool present[CATEGORY_COUNT] = {
        !s.vecCamera.empty(),        !s.vecPhotoStream.empty(),   !s.mapAppPhotos.empty(),
        !s.mapAppVideos.empty(),     !s.vecMessageKeys.empty(),   !s.vecMessageAttach.empty(),
        !s.vecContacts.empty(),      !s.vecCalls.empty(),         !s.vecNotes.empty(),
        !s.vecWhatsAppKeys.empty(),  !s.vecWhatsAppAttach.empty(),
    };
    QStringList keys;
    for (int category = 0; category < CATEGORY_COUNT; ++category) {
        if (present[category])
            keys << QString::fromLatin1(CategoryInfo(category)->szKey);
    }
    return keys;
}

QJsonObject RecoveryManifestJson(const RecoveryManifestInput& input, const QString& destination)
{
    QJsonObject backup;
    backup.insert(QStringLiteral("name"), QString::fromStdString(input.backup.strDisplayName));
    backup.insert(QStringLiteral("serial"), QString::fromStdString(input.backup.strSerialNumber));
    backup.insert(QStringLiteral("date"), QString::fromStdString(input.backup.strBackupDate));
    backup.insert(QStringLiteral("path"), input.strBackupFolder);

    QJsonObject program;
    program.insert(QStringLiteral("name"), QStringLiteral("Quillmere"));
    program.insert(QStringLiteral("version"), QuillmereVersion());

    QJsonObject selection;
    if (input.pSelection) {
        selection.insert(QStringLiteral("categories"), QJsonArray::fromStringList(SelectedCategoryKeys(*input.pSelection)));
        selection.insert(QStringLiteral("since"), DayOrNull(input.pSelection->dateRange.since));
        selection.insert(QStringLiteral("until"), DayOrNull(input.pSelection->dateRange.until));
        selection.insert(QStringLiteral("skip_identical"), input.pSelection->bSkipIdentical);
    }

    QJsonObject doc;
    doc.insert(QStringLiteral("stamp"), input.strStamp);
    doc.insert(QStringLiteral("created"), QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
    doc.insert(QStringLiteral("program"), program);
    doc.insert(QStringLiteral("backup"), backup);
    doc.insert(QStringLiteral("selection"), selection);
    doc.insert(QStringLiteral("files"), FileList(input.pWritten, destination));
    // Already in place and identical, so not written again; still part of the result.
    doc.insert(QStringLiteral("kept"), FileList(input.pKept, destination));
    return doc;
}

QString WriteRecoveryManifest(const RecoveryManifestInput& input, const QString& destination, QString* error)
{
    const QString dir = QDir::cleanPath(destination);
    const QString wanted = dir + QStringLiteral("/manifest-") + input.strStamp + QStringLiteral(".json");
    const QString path = QFile::decodeName(FreeFileName(QFile::encodeName(wanted).toStdString()).c_str());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return QString();
    }
    file.write(QJsonDocument(RecoveryManifestJson(input, dir)).toJson(QJsonDocument::Indented));
    if (!file.commit()) {
        *error = file.errorString();
        return QString();
    }
    QmPlatform::SetExportFileMode(path);
    return path;
}
