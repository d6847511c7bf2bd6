// Checks shared by the hostile-backup tests of the command line and the window:
// what an export tree may hold, and that nothing outside it changed.
#pragma once

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <ftw.h>
#include <sys/stat.h>

#include "tools/sample/SampleContent.h"

namespace HostileCheck {

// Every path under `root` (links not followed), relative, sorted; `skip` (a
// folder under root) and what it holds left out.
inline QStringList Tree(const QString& root, const QString& skip = QString())
{
    QStringList out;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!skip.isEmpty() && (path == skip || path.startsWith(skip + QLatin1Char('/'))))
            continue;
        out << QDir(root).relativeFilePath(path);
    }
    out.sort();
    return out;
}

// The first entry under `root` whose name (as bytes on disk) is not UTF-8, or empty.
inline QByteArray NameNotUtf8(const QString& root)
{
    static QByteArray found;
    found.clear();
    ::nftw(QFile::encodeName(root).constData(),
           [](const char* path, const struct stat*, int, struct FTW* ftw) {
               const QByteArray name(path + ftw->base);
               if (QString::fromUtf8(name).toUtf8() != name) {
                   found = path;
                   return 1;
               }
               return 0;
           },
           16, FTW_PHYS);
    return found;
}

// Empty when the export tree under `dest` is sound: only folders and regular files,
// UTF-8 names of at most 255 bytes, no leftover temporary file, and no byte read
// through a link out of the backup. Otherwise the first problem.
inline QString ExportProblem(const QString& dest)
{
    const QByteArray notText = NameNotUtf8(dest);
    if (!notText.isEmpty())
        return QStringLiteral("name not UTF-8: ") + QString::fromUtf8(notText);
    QDirIterator it(dest, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    const QByteArray marker = SampleOutsideMarker();
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat st;
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
            return QStringLiteral("cannot stat ") + path;
        if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode))
            return QStringLiteral("not a file or folder: ") + path;
        if (QFile::encodeName(it.fileName()).size() > 255)
            return QStringLiteral("name over 255 bytes: ") + path;
        if (it.fileName().contains(QLatin1String(".part")))
            return QStringLiteral("temporary file left: ") + path;
        if (S_ISREG(st.st_mode)) {
            QFile f(path);
            if (!f.open(QIODevice::ReadOnly))
                return QStringLiteral("unreadable: ") + path;
            if (f.readAll().contains(marker))
                return QStringLiteral("read through a link: ") + path;
        }
    }
    return QString();
}

} // namespace HostileCheck
