#include "support/RememberedFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace RememberedFolders {

namespace {

const char kKey[] = "backupFolders";

const char kOrganisation[] = "Quillmere";

// Only absolute paths of folders that still exist, each once.
QStringList Clean(const QStringList& folders)
{
    QStringList out;
    for (const QString& folder : folders) {
        const QString path = QDir::cleanPath(folder);
        if (!QDir::isAbsolutePath(path) || !QFileInfo(path).isDir() || out.contains(path))
            continue;
        out << path;
        if (out.size() == kMaxFolders)
            break;
    }
    return out;
}

} // namespace

QStringList Load()
{
    QSettings settings(kOrganisation, kOrganisation);
    const QStringList stored = settings.value(kKey).toStringList();
    const QStringList kept = Clean(stored);
    if (kept != stored)
        settings.setValue(kKey, kept);
    return kept;
}

void Remember(const QString& folder)
{
    if (folder.isEmpty())
        return;
    QSettings settings(kOrganisation, kOrganisation);
    QStringList folders = settings.value(kKey).toStringList();
    folders.prepend(QDir::cleanPath(QFileInfo(folder).absoluteFilePath()));
    settings.setValue(kKey, Clean(folders));
}

} // namespace RememberedFolders
