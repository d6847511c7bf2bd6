#include "export/StoredFileDates.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

#include "engine/MbdbRecords.h"
#include "engine/ManifestReader.h"
#include "support/BackupDatabase.h"
#include "support/Plist.h"
#include "support/SafeFile.h"

namespace {
// A manifest of hundreds of thousands of rows stays well below this.
const std::size_t kMaxMbdbBytes = std::size_t(1) << 30;

bool IsStoredName(const std::string& s)
{
    if (s.size() != 40)
        return false;
    for (char c : s) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

// "LastModified" of the file record a keyed archive holds: the root object's, else
// the first object that has one.
QDateTime ArchivedModified(const QByteArray& blob)
{
    const QVariantMap archive = ParsePlist(blob).toMap();
    const QVariantList objects = archive.value(QStringLiteral("$objects")).toList();
    QVariantList candidates;
    qlonglong root = -1;
    if (IsPlistUid(archive.value(QStringLiteral("$top")).toMap().value(QStringLiteral("root")), &root) && root >= 0 &&
        root < objects.size())
        candidates << objects.at(int(root));
    candidates << objects;
    for (const QVariant& object : candidates) {
        const QVariant value = object.toMap().value(QStringLiteral("LastModified"));
        bool ok = false;
        const qlonglong seconds = value.toLongLong(&ok);
        if (ok && value.isValid() && seconds > 0)
            return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
    }
    return QDateTime();
}

void FromManifestDb(const QString& path, const std::set<std::string>& names, std::map<std::string, QDateTime>* out)
{
    const QString connection = QStringLiteral("stored_file_dates");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        if (OpenBackupDatabase(db, path)) {
            QSqlQuery query(db);
            query.setForwardOnly(true);
            if (query.prepare(QStringLiteral("SELECT file FROM Files WHERE fileID = ?"))) {
                for (const std::string& name : names) {
                    query.bindValue(0, QString::fromLatin1(name.c_str()));
                    if (!query.exec() || !query.next())
                        continue;
                    const QDateTime when = ArchivedModified(query.value(0).toByteArray());
                    if (when.isValid())
                        (*out)[name] = when;
                }
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
}

void FromMbdb(const QString& path, const std::set<std::string>& names, std::map<std::string, QDateTime>* out)
{
    std::string bytes;
    if (ReadBackupFile(path.toStdString(), kMaxMbdbBytes, &bytes) != 0)
        return;
    ReadMbdbRecords(
        reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
        [&](const MBDB_RECORD& record) {
            if (record.IsDirectory() || record.nModified == 0)
                return;
            const std::string name = StoredNameOf(record.strDomain, record.strPath);
            if (names.count(name))
                (*out)[name] = QDateTime::fromSecsSinceEpoch(record.nModified, Qt::UTC);
        },
        nullptr);
}
}

std::string StoredNameOfPath(const std::string& path)
{
    std::string name = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
    static const std::string kEnding = ".mddata";
    if (name.size() > kEnding.size() && name.compare(name.size() - kEnding.size(), kEnding.size(), kEnding) == 0)
        name.resize(name.size() - kEnding.size());
    return IsStoredName(name) ? name : std::string();
}

std::map<std::string, QDateTime> ReadStoredFileDates(const QString& backupFolder, const std::set<std::string>& names)
{
    std::map<std::string, QDateTime> dates;
    if (names.empty() || backupFolder.isEmpty())
        return dates;
    const QString decrypted = backupFolder + QStringLiteral("/Manifest.db-decypted");
    const QString plain = backupFolder + QStringLiteral("/Manifest.db");
    if (QFileInfo::exists(decrypted) || QFileInfo::exists(plain))
        FromManifestDb(QFileInfo::exists(decrypted) ? decrypted : plain, names, &dates);
    else
        FromMbdb(backupFolder + QStringLiteral("/Manifest.mbdb"), names, &dates);
    return dates;
}
