// Placeholders for the content producers written in other units; each moves
// to its own file when it lands (and is deleted here).
#include "tools/sample/SampleContent.h"

void AddMediaFiles(SampleBackup&, const SampleOptions&)
{
}

bool EncryptSampleBackup(SampleBackup&, QString* error)
{
    if (error)
        *error = QStringLiteral("encrypted sample backups are not available in this build");
    return false;
}

bool EncryptSampleManifestDb(const SampleBackup&, const QString&, QString* error)
{
    if (error)
        *error = QStringLiteral("encrypted sample backups are not available in this build");
    return false;
}
