// What `quillmere-cli export` takes from a scan: every record of the chosen categories.
#pragma once

#include <vector>

#include <QString>

#include "engine/BackupRecords.h"
#include "engine/ScanFetch.h"
#include "export/RecoverySelection.h"

// The containers a scan fills, owned here for the length of an export.
typedef SCAN_FETCH_DATA ExportScanData;

// Category numbers of the window's tree (0 camera roll ... 10 WhatsApp attachments)
// named in a comma-separated --only list of the scan JSON keys ("messages" and
// "message_conversations" both select the conversations, likewise the WhatsApp pair).
// An empty text selects all. False with *error on an unknown name.
bool ParseExportCategories(const QString& text, std::vector<bool>* wanted, QString* error);

// Every record of the wanted categories; the message maps are referenced, not copied.
RecoverySelection SelectForExport(const ExportScanData& data, const std::vector<bool>& wanted);
