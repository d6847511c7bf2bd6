#include "engine/BackupLocations.h"

#include <set>
#include <string>
#include <vector>

#include <QFileInfo>

#include "engine/IphoneBackupFile.h"

namespace {

bool Describe(CIphoneBackupFile& engine, const std::string& folder, __BACK_FILE_INFO__* info)
{
    std::vector<char> path(folder.begin(), folder.end());
    path.push_back('\0');
    return engine.GetBackFileInfo(path.data(), info) == 0;
}

} // namespace

BackFileInfoVec ListBackupsIn(CIphoneBackupFile& engine, const QString& folder)
{
    BackFileInfoVec out;
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return out;
    QString clean = folder;
    while (clean.size() > 1 && clean.endsWith(QLatin1Char('/')))
        clean.chop(1);
    __BACK_FILE_INFO__ info;
    if (Describe(engine, clean.toStdString(), &info)) {
        out.push_back(info);
        return out;
    }
    QByteArray path = clean.toUtf8();
    std::vector<std::string> subFolders;
    engine.TraverseFolder(path.data(), subFolders);
    // The walk leaves them in descending order: list them ascending.
    for (auto it = subFolders.rbegin(); it != subFolders.rend(); ++it) {
        __BACK_FILE_INFO__ one;
        if (Describe(engine, *it, &one))
            out.push_back(one);
    }
    return out;
}

BackFileInfoVec ListBackupsInAll(CIphoneBackupFile& engine, const QStringList& folders)
{
    BackFileInfoVec out;
    std::set<QString> seen;
    for (const QString& folder : folders) {
        for (__BACK_FILE_INFO__& info : ListBackupsIn(engine, folder)) {
            const QFileInfo where(QString::fromStdString(info.strBackupPath));
            const QString key = where.canonicalFilePath().isEmpty() ? where.absoluteFilePath()
                                                                    : where.canonicalFilePath();
            if (seen.insert(key).second)
                out.push_back(std::move(info));
        }
    }
    return out;
}
