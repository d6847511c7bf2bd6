#include "support/BackupDatabase.h"

#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include "support/SafeFile.h"

bool OpenBackupDatabase(QSqlDatabase& db, const QString& path)
{
    // A FIFO or device planted in a backup would block SQLite or never end, and a
    // stored file that is a link (or sits in a linked folder) could point at a
    // database outside the backup: checked right before SQLite opens the name.
    const int fd = OpenBackupFile(QFile::encodeName(path).toStdString(), nullptr, nullptr);
    if (fd < 0)
        return false;
    ::close(fd);
    QFileInfo fi(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"));
    db.setDatabaseName(QUrl::fromLocalFile(fi.absoluteFilePath()).toString(QUrl::FullyEncoded) +
                       QStringLiteral("?immutable=1"));
    return db.open();
}
