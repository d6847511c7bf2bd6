// The one entry point of the sample generator.
#pragma once

#include <QString>

#include "tools/sample/SampleBackup.h"

// The model of a sample backup for these options: device, the phone's
// databases, media, and filler entries up to the scale's count. Nothing is
// written and nothing is encrypted yet.
SampleBackup BuildSampleBackup(const SampleOptions& options);

// Adds ordinary system and app entries (preferences, caches, directories,
// symlinks, files with extended attributes) until the model holds `target`
// entries.
void AddFillerEntries(SampleBackup& backup, int target);

// Builds and writes a sample backup under destRoot; *backupDir gets the
// backup folder (destRoot/<40 hex digits>). False with *error on failure.
bool GenerateSampleBackup(const SampleOptions& options, const QString& destRoot,
                          QString* backupDir, QString* error);
