// How the window talks to the decryptor program "Quillmere": its command line,
// the lines it prints, the progress they stand for, and the file count of a
// backup that progress is measured against.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace DecryptorRun {

// The decryptor beside the running executable, or the program set for tests.
QString ProgramPath();
// Tests put a stand-in program here; an empty path restores the real one.
void SetProgramPath(const QString& path);

// Backup folder, working folder, "-" (the password follows on standard input,
// so it never shows in a process list) and, for the check, "CheckPasswd".
QStringList Arguments(const QString& backupDir, const QString& workDir, bool check);

enum LineKind { LINE_OTHER, LINE_WRONG_PASSWORD, LINE_COUNT };
// What a line of the decryptor says; for a "Count:" line *count gets the
// number after the marker (0 when none can be read).
LineKind ClassifyLine(const QByteArray& line, qint64* count);

// Progress of a decryption, 1 to 11: min(done, total) * 10 / total + 1.
int ProgressPercent(qint64 done, qint64 total);

// Files of a backup folder: every plain file directly inside, plus the plain
// files of each sub-folder; at least 1, so progress never divides by zero.
qint64 CountBackupFiles(const QString& folder);

} // namespace DecryptorRun
