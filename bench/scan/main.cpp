// quillmere-bench-scan [--data DIR] [--runs N] [--scale tiny|small|large]
//                      [--screenshot OUTDIR]
// Drives the window offscreen: from Scan pressed to a filled tree on a sample
// backup (the large one by default, written once under DIR and reused).
// Prints the wall time of each run and the memory after it, the median, the
// same scan without a window before and after the window's runs, and the peak.
// With --screenshot it also recovers everything ticked into OUTDIR/recovered
// and saves the window after the scan and the recovery dialog at its end.
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>

#include "bench/WindowBench.h"
#include "engine/IphoneRecoveryFactory.h"
#include "engine/ScanFetch.h"
#include "support/Version.h"
#include "tools/sample/SampleGenerator.h"
#include "ui/CategoryTree.h"
#include "ui/DRUI.h"
#include "ui/SCANUI.h"

namespace {

const double kTargetSeconds = 4.0;
const double kTargetRatio = 1.3;
const long kTargetPeakMb = 600;

long PeakMemoryMb()
{
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// What the process holds now (resident set), in MB.
long CurrentMemoryMb()
{
    long pages = 0, resident = 0;
    if (FILE* statm = fopen("/proc/self/statm", "r")) {
        if (fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        fclose(statm);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024) / 1024;
}

// CPU seconds (user and system, every thread) the process has used so far.
double ProcessCpuSeconds()
{
    struct rusage usage { };
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

int Usage()
{
    fprintf(stderr, "usage: quillmere-bench-scan [--data DIR] [--runs N] [--scale tiny|small|large]\n"
                    "                            [--screenshot OUTDIR]\n");
    return 2;
}

// The sample under root, written when missing.
QString SampleBackupDir(const QString& root, const SampleOptions& options)
{
    const QStringList found = QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    if (!found.isEmpty())
        return QDir(root).absoluteFilePath(found.first());
    QDir().mkpath(root);
    fprintf(stderr, "writing the sample under %s ...\n", qPrintable(root));
    QElapsedTimer timer;
    timer.start();
    QString dir, error;
    if (!GenerateSampleBackup(options, root, &dir, &error)) {
        fprintf(stderr, "quillmere-bench-scan: %s\n", qPrintable(error));
        return QString();
    }
    fprintf(stderr, "written in %.1f s\n", timer.elapsed() / 1000.0);
    return dir;
}

// Recovers everything ticked into outDir/recovered, answering the folder
// dialog, and saves the recovery dialog once it reads "Finished" (and its
// result list).
void RecoveryScreenshots(DRUI& window, const QString& outDir)
{
    const QString dest = outDir + "/recovered";
    QDir(dest).removeRecursively();
    QDir().mkpath(dest);
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&]() {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* files = qobject_cast<QFileDialog*>(modal)) {
            // Nothing typed or selected: the dialog answers its current folder.
            files->setDirectory(dest);
            if (auto* name = files->findChild<QLineEdit*>("fileNameEdit"))
                name->clear();
            static_cast<QDialog*>(files)->accept();
        } else if (auto* dialog = qobject_cast<SCANUI*>(modal)) {
            if (!dialog->m_btnCancel || dialog->m_btnCancel->text() != "Finished")
                return;
            driver.stop();
            Settle(300);
            dialog->grab().save(outDir + "/recovery-finished.png");
            dialog->m_detail.setGeometry(dialog->x(), dialog->y(), 600, 400);
            dialog->m_detail.show();
            Settle(300);
            dialog->m_detail.grab().save(outDir + "/recovery-detail.png");
            dialog->m_detail.hide();
            printf("recovery: %s\n", qPrintable(dest));
            dialog->m_btnCancel->click();
        }
    });
    driver.start(50);
    window.btnRecovery();
}

// The same scan without a window: the interface's Scan and the nine fetches
// into fresh containers. The window's share is what it adds to this.
struct ScanTime {
    double wall = 0;
    double cpu = 0;
};

ScanTime EngineOnly(const __BACK_FILE_INFO__& backup)
{
    CIphoneBackupFile engine;
    __BACK_FILE_INFO__ info = backup;
    engine.Init(&info);
    IPhoneRecoveryParse* parse =
        CIphoneRecoveryFactory::getInstance()->CreateRecoveryParse(&engine, RECOVERY_TYPE_LOCAL_BACKUP);
    SCAN_FETCH_DATA data;
    const double cpuBefore = ProcessCpuSeconds();
    QElapsedTimer timer;
    timer.start();
    RunEngineScan(engine, parse, QString(), data, nullptr);
    const ScanTime time {timer.nsecsElapsed() / 1e9, ProcessCpuSeconds() - cpuBefore};
    delete parse;
    return time;
}

// Medians of three engine-only scans.
ScanTime EngineOnlyMedian(const __BACK_FILE_INFO__& backup)
{
    std::vector<double> wall, cpu;
    for (int run = 0; run < 3; ++run) {
        const ScanTime time = EngineOnly(backup);
        wall.push_back(time.wall);
        cpu.push_back(time.cpu);
    }
    // What they freed goes back to the system, so the memory figures after
    // them are the window's own.
    malloc_trim(0);
    return {Median(wall), Median(cpu)};
}

} // namespace

int main(int argc, char** argv)
{
    if (PrepareWindowBench(argc, argv, "quillmere-bench-scan"))
        return 0;
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(drui);

    QString data = QDir::current().absoluteFilePath("bench-data");
    int runs = 5;
    QString screenshots;
    SampleOptions options;
    options.scale = SampleOptions::Scale::Large;
    options.seed = 8;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == "--data" && hasValue)
            data = QDir::current().absoluteFilePath(args[++i]);
        else if (args[i] == "--runs" && hasValue)
            runs = qMax(1, args[++i].toInt());
        else if (args[i] == "--screenshot" && hasValue)
            screenshots = QDir::current().absoluteFilePath(args[++i]);
        else if (args[i] == "--scale" && hasValue) {
            if (!ParseSampleScale(args[++i], &options.scale))
                return Usage();
        } else
            return Usage();
    }
    const char* scaleName = options.scale == SampleOptions::Scale::Large ? "large"
                            : options.scale == SampleOptions::Scale::Small ? "small"
                                                                          : "tiny";
    const QString root = data + "/gui-" + scaleName;
    const QString backup = SampleBackupDir(root + "/backups", options);
    if (backup.isEmpty())
        return 1;
    qputenv("QUILLMERE_BACKUP_ROOT", (root + "/backups/").toUtf8());
    qputenv("QUILLMERE_SUPPORT_DIR", (root + "/support/").toUtf8());

    // The engine alone on a fresh heap, before any window scan: the ratio's reference.
    __BACK_FILE_INFO__ info;
    {
        CIphoneBackupFile probe;
        QByteArray folder = backup.toUtf8();
        if (probe.GetBackFileInfo(folder.data(), &info) != 0) {
            fprintf(stderr, "quillmere-bench-scan: %s is not a backup\n", qPrintable(backup));
            return 1;
        }
    }
    const ScanTime before = EngineOnlyMedian(info);
    const double referenceBefore = before.wall;
    fprintf(stderr, "engine alone, before the window (median of 3): %.3f s (%.3f s of CPU), memory now %ld MB\n",
            referenceBefore, before.cpu, CurrentMemoryMb());

    DRUI window;
    window.Init();
    window.show();
    if (!window.m_pBackupTable || window.m_pBackupTable->rowCount() < 1) {
        fprintf(stderr, "quillmere-bench-scan: the window lists no backup under %s\n", qPrintable(root));
        return 1;
    }
    window.iTunesTableItemPress(0, 0);

    std::vector<double> seconds, cpu;
    unsigned long long items = 0;
    for (int run = 0; run < runs; ++run) {
        const double cpuBefore = ProcessCpuSeconds();
        QElapsedTimer timer;
        timer.start();
        // Returns once the worker has ended and every node is filled.
        window.btnSlotScan();
        seconds.push_back(timer.nsecsElapsed() / 1e9);
        cpu.push_back(ProcessCpuSeconds() - cpuBefore);
        items = 0;
        for (int c = 0; c < CategoryTree::kCategoryCount; ++c)
            items += CategoryTree::Count(window, c);
        fprintf(stderr, "run %d: %.3f s (%.3f s of CPU), memory after it %ld MB, peak %ld MB\n", run + 1,
                seconds.back(), cpu.back(), CurrentMemoryMb(), PeakMemoryMb());
    }
    const double median = Median(seconds);
    const long windowPeak = PeakMemoryMb();
    // Again with the window's last scan still held: shows what the heap left by
    // the window does to the same scan.
    const ScanTime after = EngineOnlyMedian(window.m_curBackupInfo);
    const double referenceAfter = after.wall;

    printf("step: window, Scan pressed to filled tree (%s sample)\n", scaleName);
    printf("  items in the tree: %llu\n", items);
    for (int c = 0; c < CategoryTree::kCategoryCount; ++c)
        printf("    %s\n", qPrintable(window.m_pTree->topLevelItem(c)->text(0)));
    printf("  runs:");
    for (size_t i = 0; i < seconds.size(); ++i)
        printf(" %.3f (CPU %.3f)", seconds[i], cpu[i]);
    printf(" s\n");
    printf("  median of %d: %.3f s (target <= %.1f s, %s)\n", runs, median, kTargetSeconds,
           median <= kTargetSeconds ? "met" : "missed");
    printf("  the same scan without a window (median of 3): %.3f s before the window's runs, %.3f s after them\n",
           referenceBefore, referenceAfter);
    printf("  CPU of the same scan without a window (median of 3): %.3f s before, %.3f s after; the window's "
           "runs: median %.3f s\n",
           before.cpu, after.cpu, Median(cpu));
    if (referenceBefore > 0)
        printf("  window / engine before the window's runs: %.2f (target <= %.2f, %s); in CPU: %.2f\n",
               median / referenceBefore, kTargetRatio, median / referenceBefore <= kTargetRatio ? "met" : "missed",
               before.cpu > 0 ? Median(cpu) / before.cpu : 0.0);
    printf("  peak memory after the window's runs: %ld MB (target <= %ld MB, %s); with the scans after them: %ld MB\n",
           windowPeak, kTargetPeakMb, windowPeak <= kTargetPeakMb ? "met" : "missed", PeakMemoryMb());

    if (!screenshots.isEmpty()) {
        QDir().mkpath(screenshots);
        Settle(1500);
        window.grab().save(screenshots + "/scan-results.png");
        window.m_pTree->setCurrentItem(window.m_pTree->topLevelItem(CATEGORY_MESSAGE));
        window.treeItemClick(window.m_pTree->topLevelItem(CATEGORY_MESSAGE), 0);
        Settle(2500);
        window.grab().save(screenshots + "/scan-message.png");
        RecoveryScreenshots(window, screenshots);
        printf("screenshots: %s\n", qPrintable(screenshots));
    }
    return 0;
}
