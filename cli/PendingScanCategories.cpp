// Placeholder until the category fetches are wired in; moves to its own unit
// then (and is deleted here).
#include "cli/ScanCategories.h"

QJsonObject ScanCategoryCounts(CIphoneBackupFile&)
{
    return QJsonObject();
}
