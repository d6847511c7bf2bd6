// quillmere-cli export BACKUP_DIR DEST [--only CATEGORY,...] [--since DATE] [--until DATE]
//                      [--skip-identical] [--format json] [--password-stdin] [--json]
#include <unistd.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>

#include "cli/CliCommands.h"
#include "cli/CliOptions.h"
#include "cli/CliSupport.h"
#include "cli/EncryptedBackup.h"
#include "cli/ExportScan.h"
#include "cli/ExportSelection.h"
#include "engine/IphoneBackupFile.h"
#include "export/RecoveryRun.h"

namespace {
// Progress on standard error: a bar redrawn in place on a terminal, otherwise only
// the failures as lines (logs stay readable).
class CProgress {
public:
    explicit CProgress(QTextStream& err) : m_err(err), m_bTerminal(::isatty(STDERR_FILENO) == 1) {}

    void Show(const QString& phase, int percent, const QString& item = QString())
    {
        if (!m_bTerminal)
            return;
        percent = qBound(0, percent, 100);
        if (percent == m_nLast && m_timer.isValid() && m_timer.elapsed() < 100)
            return;
        m_nLast = percent;
        m_timer.start();
        const int filled = percent * 30 / 100;
        QString name = item;
        if (name.size() > 40)
            name = QStringLiteral("...") + name.right(37);
        m_err << "\r\033[K" << phase << " [" << QString(filled, QLatin1Char('#')) << QString(30 - filled, QLatin1Char('.'))
              << "] " << percent << "% " << name;
        m_err.flush();
    }

    void Line(const QString& text)
    {
        if (m_bTerminal)
            m_err << "\r\033[K";
        m_err << text << "\n";
        m_err.flush();
    }

    void Done()
    {
        if (m_bTerminal) {
            m_err << "\r\033[K";
            m_err.flush();
        }
    }

private:
    QTextStream& m_err;
    bool m_bTerminal;
    int m_nLast = -1;
    QElapsedTimer m_timer;
};

int ScanProgress(void* context, int percent)
{
    static_cast<CProgress*>(context)->Show(QStringLiteral("Scanning "), percent);
    return 0;
}

int Fail(QTextStream& err, const QString& message, int code)
{
    err << "quillmere-cli export: " << message << "\n";
    err.flush();
    return code;
}

// A day given as YYYY-MM-DD (a real calendar day); absent leaves *day null.
bool ParseDay(const QCommandLineParser& parsed, const QCommandLineOption& option, QDate* day, QString* error)
{
    if (!parsed.isSet(option))
        return true;
    const QString text = parsed.value(option);
    static const QRegularExpression shape(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    *day = shape.match(text).hasMatch() ? QDate::fromString(text, QStringLiteral("yyyy-MM-dd")) : QDate();
    if (day->isValid())
        return true;
    *error = QStringLiteral("--%1 %2 is not a date of the form YYYY-MM-DD").arg(option.names().first(), text);
    return false;
}
}

int RunExportCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    QCommandLineParser parsed;
    const int stop = ParseCliCommand(*FindCliCommand(QStringLiteral("export")), args, &parsed, out, err);
    if (stop >= 0)
        return stop;
    const bool json = parsed.isSet(CliOption::Json());
    std::vector<bool> wanted;
    QString categoryError;
    if (!ParseExportCategories(parsed.value(CliOption::Only()), &wanted, &categoryError))
        return Fail(err, categoryError, 2);
    RecoveryDateRange range;
    QString dateError;
    if (!ParseDay(parsed, CliOption::Since(), &range.since, &dateError) ||
        !ParseDay(parsed, CliOption::Until(), &range.until, &dateError))
        return Fail(err, dateError, 2);
    if (!range.since.isNull() && !range.until.isNull() && range.since > range.until)
        return Fail(err, QStringLiteral("--since %1 is after --until %2").arg(range.since.toString(Qt::ISODate),
                                                                              range.until.toString(Qt::ISODate)), 2);
    const bool jsonReports = parsed.isSet(CliOption::Format());
    if (jsonReports && parsed.value(CliOption::Format()) != QLatin1String("json"))
        return Fail(err, QStringLiteral("--format takes json, not ") + parsed.value(CliOption::Format()), 2);

    QString folder = parsed.positionalArguments().at(0);
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    const QString dest = QFileInfo(parsed.positionalArguments().at(1)).absoluteFilePath();
    if (QFileInfo::exists(dest) && !QFileInfo(dest).isDir())
        return Fail(err, dest + QStringLiteral(" exists and is not a folder"), 2);

    CIphoneBackupFile engine;
    __BACK_FILE_INFO__ info;
    std::string narrow = QFileInfo(folder).absoluteFilePath().toStdString();
    std::vector<char> path(narrow.begin(), narrow.end());
    path.push_back('\0');
    if (!QFileInfo(folder).isDir() || engine.GetBackFileInfo(path.data(), &info) != 0)
        return Fail(err, folder + QStringLiteral(" is not a backup (no readable Info.plist)"), 2);
    if (!QFileInfo::exists(folder + QStringLiteral("/Manifest.db")) &&
        !QFileInfo::exists(folder + QStringLiteral("/Manifest.mbdb")))
        return Fail(err, folder + QStringLiteral(" is not a backup (no Manifest.db or Manifest.mbdb)"), 2);

    QString scanFolder;
    if (info.bEncrypted) {
        if (!parsed.isSet(CliOption::PasswordStdin()))
            return Fail(err, QStringLiteral("the backup is encrypted: give its password on standard input with --password-stdin"), 2);
        const int decrypted = DecryptBackupForCli(folder, err, &scanFolder);
        if (decrypted != 0) {
            engine.ClearTempDir();
            return decrypted;
        }
    }

    CProgress progress(err);
    engine.Init(&info);
    ExportScanData data;
    int manifestRead = 0;
    const int scanned = ScanForExport(engine, scanFolder, data, ScanProgress, &progress, &manifestRead);
    progress.Done();
    if (scanned != 0 || ManifestUnreadable(engine, manifestRead)) {
        engine.ClearTempDir();
        return Fail(err, QStringLiteral("the backup could not be read"), scanned == -110 ? 1 : 2);
    }

    RecoverySelection selection = SelectForExport(data, wanted);
    selection.dateRange = range;
    selection.bSkipIdentical = parsed.isSet(CliOption::SkipIdentical());
    selection.bJsonReports = jsonReports;
    selection.strBackupFolder = QFileInfo(folder).absoluteFilePath();
    RecoveryReportFn report = [&](int fine, int coarse, int failed, const QString& name) {
        progress.Show(QStringLiteral("Exporting"), fine / 100 + coarse, name);
        if (failed)
            progress.Line(QStringLiteral("failed: ") + name);
    };
    const RecoveryOutcome outcome = RunRecovery(selection, dest, &engine, report);
    progress.Done();
    // Decrypted files are private: they do not outlive the command.
    engine.ClearTempDir();

    if (json) {
        QJsonArray failures;
        for (const RecoveryFailure& f : outcome.vecFailures) {
            QJsonObject o;
            o.insert(QStringLiteral("name"), f.strName);
            o.insert(QStringLiteral("reason"), f.strReason);
            failures.append(o);
        }
        QJsonObject doc;
        doc.insert(QStringLiteral("destination"), dest);
        doc.insert(QStringLiteral("written"), outcome.nWritten);
        doc.insert(QStringLiteral("failed"), outcome.nFailed);
        doc.insert(QStringLiteral("failures"), failures);
        doc.insert(QStringLiteral("skipped"), outcome.nSkipped);
        doc.insert(QStringLiteral("manifest"), outcome.strManifestPath);
        WriteJson(out, doc);
    } else {
        for (const RecoveryFailure& f : outcome.vecFailures)
            out << "failed: " << f.strName << ": " << f.strReason << "\n";
        out << "Written: " << outcome.nWritten << ", failed: " << outcome.nFailed << "\n";
        if (selection.bSkipIdentical)
            out << "Skipped (identical copy already there): " << outcome.nSkipped << "\n";
        out << "Destination: " << dest << "\n";
        if (!outcome.strManifestPath.isEmpty())
            out << "Manifest: " << outcome.strManifestPath << "\n";
        out.flush();
    }
    return outcome.nFailed ? 1 : 0;
}
