#include "engine/DecryptorRun.h"

#include <string>
#include <vector>

#include <QFileInfo>

#include "support/Platform.h"
#include "support/SysHelpers.h"

namespace {
QString& ProgramOverride()
{
    static QString s_strProgram;
    return s_strProgram;
}
} // namespace

namespace DecryptorRun {

QString ProgramPath()
{
    if (!ProgramOverride().isEmpty())
        return ProgramOverride();
    return QmPlatform::DecryptorProgram();
}

void SetProgramPath(const QString& path)
{
    ProgramOverride() = path;
}

namespace {
const char kCountMarker[] = "Count:";
const char kWrongPassword[] = "Wrong password";
} // namespace

QStringList Arguments(const QString& backupDir, const QString& workDir, bool check)
{
    QStringList args{backupDir, workDir, QLatin1String(kPasswordOnStdin)};
    if (check)
        args << QLatin1String(kCheckArgument);
    return args;
}

QString CountLine(qint64 done)
{
    return QLatin1String(kCountMarker) + QLatin1Char(' ') + QString::number(done);
}

QString WrongPasswordLine()
{
    return QLatin1String(kWrongPassword);
}

LineKind ClassifyLine(const QByteArray& line, qint64* count)
{
    if (line.contains(kWrongPassword))
        return LINE_WRONG_PASSWORD;
    const int at = line.indexOf(kCountMarker);
    if (at < 0)
        return LINE_OTHER;
    if (count) {
        // The decimal number after the marker, spaces allowed before it.
        const QByteArray rest = line.mid(at + int(sizeof kCountMarker) - 1).trimmed();
        int digits = 0;
        while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9')
            ++digits;
        bool ok = false;
        const qint64 n = rest.left(digits).toLongLong(&ok);
        *count = ok ? n : 0;
    }
    return LINE_COUNT;
}

int ProgressPercent(qint64 done, qint64 total)
{
    if (total < 1)
        total = 1;
    if (done < 0)
        done = 0;
    return int(qMin(done, total) * 10 / total) + 1;
}

qint64 CountBackupFiles(const QString& folder)
{
    const QByteArray path = folder.toUtf8();
    std::vector<std::string> entries;
    TraverseFolderAndFile(path.constData(), entries);
    qint64 count = 0;
    for (const std::string& entry : entries) {
        const QFileInfo info(QString::fromStdString(entry));
        if (info.isDir() && !info.isSymLink())
            count += TraverseFileCnt(entry.c_str());
        else
            ++count;
    }
    return count > 0 ? count : 1;
}

} // namespace DecryptorRun
