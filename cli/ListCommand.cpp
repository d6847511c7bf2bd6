#include <QFileInfo>
#include <QJsonArray>

#include "cli/CliCommands.h"
#include "cli/CliOptions.h"
#include "cli/CliSupport.h"
#include "engine/IphoneBackupFile.h"

int RunListCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    QCommandLineParser parsed;
    const int stop = ParseCliCommand(*FindCliCommand(QStringLiteral("list")), args, &parsed, out, err);
    if (stop >= 0)
        return stop;
    const bool json = parsed.isSet(CliOption::Json());

    CIphoneBackupFile engine;
    if (parsed.isSet(CliOption::Root())) {
        const QString root = parsed.value(CliOption::Root());
        if (!QFileInfo(root).isDir()) {
            err << "quillmere-cli list: " << root << " is not a folder\n";
            err.flush();
            return 2;
        }
        engine.m_strBackupDir = root.toStdString();
        engine.m_vecBackupFolders.clear();
        std::vector<char> path(engine.m_strBackupDir.begin(), engine.m_strBackupDir.end());
        path.push_back('\0');
        engine.TraverseFolder(path.data(), engine.m_vecBackupFolders);
    }
    std::vector<__BACK_FILE_INFO__> backups;
    engine.GetBackFileInfo(backups);

    if (json) {
        QJsonArray array;
        for (const __BACK_FILE_INFO__& info : backups)
            array.append(BackupInfoJson(info));
        WriteJson(out, array);
        return 0;
    }
    if (backups.empty()) {
        err << "No backups found in " << FromEngine(engine.m_strBackupDir) << "\n";
        err.flush();
        return 0;
    }
    for (const __BACK_FILE_INFO__& info : backups) {
        out << FromEngine(info.strDisplayName) << "\n"
            << "  last backup:  " << FromEngine(info.strBackupDate) << "\n"
            << "  serial:       " << FromEngine(info.strSerialNumber) << "\n"
            << "  encrypted:    " << (info.bEncrypted ? "yes" : "no") << "\n"
            << "  path:         " << FromEngine(info.strBackupPath) << "\n";
    }
    out.flush();
    return 0;
}
