#include "support/BackupDatabase.h"

#include <QFileInfo>
#include <QUrl>

bool OpenBackupDatabase(QSqlDatabase& db, const QString& path)
{
    QFileInfo fi(path);
    // A FIFO or device planted in a backup would block or never end, and a stored
    // file that is a link could point at a database outside the backup.
    if (fi.isSymLink() || !fi.exists() || !fi.isFile())
        return false;
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"));
    db.setDatabaseName(QUrl::fromLocalFile(fi.absoluteFilePath()).toString(QUrl::FullyEncoded) +
                       QStringLiteral("?immutable=1"));
    return db.open();
}
