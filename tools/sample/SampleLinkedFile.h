// A stored file a phone database names: an SMS attachment row's file, a WhatsApp
// media item's local path. The database writers list them; AddMediaFiles writes
// them (the ones marked stored), so messages and files of a sample agree.
#pragma once

#include <QString>

#include "tools/sample/MediaContent.h"

struct SampleLinkedFile {
    QString domain;
    QString relativePath;
    SampleMediaKind content = SampleMediaKind::JpegJfif;
    // False: named by the database, missing from the backup (never downloaded,
    // or deleted from the phone's storage).
    bool stored = true;
};
