// The window's view of the split of application files into photos and videos.
// The split itself belongs to the core (the command line uses it too); until
// the core's routine is on main, PendingAppFileSplit.cpp stands in for it.
#pragma once

#if __has_include("engine/AppFileSplit.h")
#include "engine/AppFileSplit.h"
#else
#include "engine/BackupRecords.h"

// Empties both maps and counts, then files every record under its application
// as a photo (pictures and anything unknown) or a video (videos and audio).
void SplitAppFiles(const AppFileInfoVec& files, AppFileMap& photos, AppFileMap& videos, unsigned& photoCount,
                   unsigned& videoCount);
#endif
