// How the programs talk to the decryptor program "Quillmere": its command line,
// the lines it prints, how it ends, the progress its lines stand for and the
// file count of a backup that progress is measured against. The decryptor
// writes its lines with these functions and the window, the command line and
// the benchmarks read them with these, so the two sides cannot drift apart.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Exit codes of the decryptor.
enum DecryptorExit {
    DECRYPTOR_OK = 0,
    DECRYPTOR_WRONG_PASSWORD = 1,
    DECRYPTOR_USAGE = 2,
    DECRYPTOR_BAD_BACKUP = 3,     // missing or damaged manifest, keybag or keys
    DECRYPTOR_WRITE_FAILED = 4,   // the working folder or an output could not be written
};

namespace DecryptorRun {

// The decryptor beside the running executable, or the program set for tests.
QString ProgramPath();
// Tests put a stand-in program here; an empty path restores the real one.
void SetProgramPath(const QString& path);

// The last argument that asks only whether the password is right.
inline constexpr char kCheckArgument[] = "CheckPasswd";
// The password argument that says the password follows on standard input.
inline constexpr char kPasswordOnStdin[] = "-";

// Backup folder, working folder, "-" (the password follows on standard input,
// so it never shows in a process list) and, for the check, "CheckPasswd".
QStringList Arguments(const QString& backupDir, const QString& workDir, bool check);

// The line after each manifest entry done: "Count: N".
QString CountLine(qint64 done);
// The line of a password the keybag refuses.
QString WrongPasswordLine();

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
