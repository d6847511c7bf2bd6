// The split of application files into photos and videos by extension, shared by
// the window and the command line.
#pragma once

#include "engine/BackupRecords.h"

// Empties both maps and counts, then files every record under its application
// as a photo (pictures and anything unknown) or a video (videos and audio).
void SplitAppFiles(const AppFileInfoVec& files, AppFileMap& photos, AppFileMap& videos, unsigned& photoCount,
                   unsigned& videoCount);
