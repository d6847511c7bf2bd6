// The working folder that holds a decrypted backup while it is scanned and
// recovered: made private to the user, and emptied without following a link,
// by the window, the command line and the engine alike.
#pragma once

#include <QString>

namespace WorkFolder {

// Makes the application-support folder and the working folder inside it
// (QmPlatform::AppSupportDir(), QmPlatform::WorkDir()), readable by the user
// alone. False when either cannot be made.
bool Prepare();

enum Scope {
    // Everything inside: files, links (never what they point to) and
    // sub-folders with their contents.
    Everything,
    // Only what a decryption writes: the entries directly inside that are no
    // folder and whose name does not start with a dot.
    DecryptedFiles
};

// Deletes what `scope` names inside the folder `path`. A `path` that is itself
// a link, or no folder, is left alone: a planted link must not turn the
// clearing against someone else's files. Plain POSIX calls only, so it may run
// at exit.
void Clear(const char* path, Scope scope = Everything);
void Clear(const QString& path, Scope scope = Everything);

} // namespace WorkFolder
