// Category counts of a scanned backup, shown by `quillmere-cli scan`.
#pragma once

#include <QJsonObject>

class CIphoneBackupFile;

// Runs the category fetches on an engine that has scanned and returns one
// count per category built so far (keys as in the scan JSON: "camera_roll",
// "photo_stream", "app_photos", ...). Categories not built yet are absent.
QJsonObject ScanCategoryCounts(CIphoneBackupFile& engine);
