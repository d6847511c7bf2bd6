#include <QFileInfo>

#include "cli/CliCommands.h"
#include "cli/CliOptions.h"
#include "cli/CliSupport.h"
#include "cli/EncryptedBackup.h"
#include "cli/ExportScan.h"
#include "engine/IphoneBackupFile.h"

int RunScanCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    QCommandLineParser parsed;
    const int stop = ParseCliCommand(*FindCliCommand(QStringLiteral("scan")), args, &parsed, out, err);
    if (stop >= 0)
        return stop;
    const bool json = parsed.isSet(CliOption::Json());
    QString folder = parsed.positionalArguments().first();
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);

    CIphoneBackupFile engine;
    __BACK_FILE_INFO__ info;
    std::string narrow = folder.toStdString();
    std::vector<char> path(narrow.begin(), narrow.end());
    path.push_back('\0');
    if (!QFileInfo(folder).isDir() || engine.GetBackFileInfo(path.data(), &info) != 0) {
        err << "quillmere-cli scan: " << folder << " is not a backup (no readable Info.plist)\n";
        err.flush();
        return 2;
    }
    const bool hasDb = QFileInfo::exists(folder + QStringLiteral("/Manifest.db"));
    const bool hasMbdb = QFileInfo::exists(folder + QStringLiteral("/Manifest.mbdb"));
    if (!hasDb && !hasMbdb) {
        err << "quillmere-cli scan: " << folder << " is not a backup (no Manifest.db or Manifest.mbdb)\n";
        err.flush();
        return 2;
    }

    QString scanFolder;
    if (info.bEncrypted && parsed.isSet(CliOption::PasswordStdin())) {
        const int rc = DecryptBackupForCli(folder, err, &scanFolder);
        if (rc != 0)
            return rc;
    }

    engine.Init(&info);
    ExportScanData data;
    int scanned = 0;
    ScanForExport(engine, scanFolder, data, nullptr, nullptr, &scanned);
    const int entries = int(engine.m_vecManifest.size());
    if (scanned == -110) {
        err << "quillmere-cli scan: wrong password\n";
        err.flush();
        return 1;
    }
    // Only an encrypted backup scanned without its password is expected to show nothing.
    const bool locked = info.bEncrypted && scanFolder.isEmpty();
    if ((ManifestUnreadable(engine, scanned) && !locked) || scanned == 2 || scanned == -1) {
        err << "quillmere-cli scan: " << folder << " cannot be read (its manifest cannot be opened)\n";
        err.flush();
        return 2;
    }
    // The manifest was read up to some damage: the entries before it are kept and counted.
    const bool complete = scanned == 0;
    if (!complete)
        err << "quillmere-cli scan: the manifest is damaged; only the entries before the damage were read\n";
    if (info.bEncrypted && scanFolder.isEmpty())
        err << "quillmere-cli scan: the backup is encrypted; its contents need the password (--password-stdin)\n";
    err.flush();
    const QJsonObject categories = ScanCategoryCounts(data);

    const QString layout = engine.m_bManifestDb ? QStringLiteral("Manifest.db") : QStringLiteral("Manifest.mbdb");
    if (json) {
        QJsonObject backup = BackupInfoJson(info);
        backup.remove(QStringLiteral("version_above_11"));
        backup.insert(QStringLiteral("layout"), layout);
        backup.insert(QStringLiteral("manifest_entries"), entries);
        backup.insert(QStringLiteral("manifest_complete"), complete);
        QJsonObject doc;
        doc.insert(QStringLiteral("backup"), backup);
        doc.insert(QStringLiteral("categories"), categories);
        WriteJson(out, doc);
        return 0;
    }
    out << FromEngine(info.strDisplayName) << "\n"
        << "  path:             " << FromEngine(info.strBackupPath) << "\n"
        << "  last backup:      " << FromEngine(info.strBackupDate) << "\n"
        << "  serial:           " << FromEngine(info.strSerialNumber) << "\n"
        << "  phone:            " << FromEngine(info.strPhoneNumber) << "\n"
        << "  encrypted:        " << (info.bEncrypted ? "yes" : "no") << "\n"
        << "  layout:           " << layout << "\n"
        << "  manifest entries: " << entries << (complete ? "" : " (manifest damaged)") << "\n";
    for (const QString& key : ScanCategoryKeys())
        out << "  " << key << ": " << categories.value(key).toInteger() << "\n";
    out.flush();
    return 0;
}
