// Window benchmark, run by hand: how fast the results page fills and answers
// with the camera roll of the large sample (20 000 rows).
//
//   quillmere-bench-ui [--backup DIR | --synthetic] [--rows N]
//   quillmere-bench-ui --screenshot OUTDIR [--backup DIR]
//
// The second form shows the results page of a backup (a small generated one
// by default) and saves the Camera Roll and Message pages as PNG files, the
// Message page showing a group conversation, the Notes page with a long and a
// locked note, and the WhatsApp page with a group of system notices.
//
// Without --backup it generates the large sample in a temporary folder. When
// the engine's camera catalogue yields no records, it falls back to made-up
// records of the same count, which fill the table exactly the same way.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QStackedLayout>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTreeWidget>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "bench/WindowBench.h"
#include "engine/IphoneBackupFile.h"
#include "engine/MessageConversation.h"
#include "support/TextEncoding.h"
#include "support/Version.h"
#include "tools/sample/SampleGenerator.h"
#include "ui/CategoryTree.h"
#include "ui/DRUI.h"
#include "ui/PreviewPage.h"

namespace {

double MedianMs(std::vector<double> runs)
{
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
}

long PeakMemoryMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// Runs `step` five times after `prepare`, timing only `step`.
double Time(const std::function<void()>& prepare, const std::function<void()>& step)
{
    std::vector<double> runs;
    for (int i = 0; i < 5; ++i) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        step();
        runs.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    return MedianMs(runs);
}

void Report(const char* step, double ms, const char* note = "")
{
    std::printf("%-52s %9.1f ms   peak %4ld MB  %s\n", step, ms, PeakMemoryMb(), note);
    std::fflush(stdout);
}

CameraInfoVec CameraRollOf(const QString& backupDir)
{
    CIphoneBackupFile engine;
    __BACK_FILE_INFO__ info;
    QByteArray path = backupDir.toUtf8();
    if (engine.GetBackFileInfo(path.data(), &info) != 0)
        return {};
    engine.Init(&info);
    if (engine.Scan(QString()) != 0)
        return {};
    CameraInfoVec camera, stream;
    engine.GetBackupCameraFile(camera, stream);
    return camera;
}

CameraInfoVec MadeUpCameraRoll(int rows)
{
    CameraInfoVec files(static_cast<size_t>(rows));
    for (int i = 0; i < rows; ++i) {
        files[size_t(i)].strFileName = QStringLiteral("IMG_%1.JPG").arg(i, 5, 10, QLatin1Char('0')).toStdString();
        files[size_t(i)].nSize = 1024 + (i * 37) % 7168;
        files[size_t(i)].wstrFullPath = L"/nonexistent/" + std::to_wstring(i);
    }
    return files;
}

// Fills the window's containers the way the scan does, then the tree.
void ScanInto(DRUI& w, const QString& backupDir)
{
    CIphoneBackupFile& engine = w.m_backupFile;
    QByteArray path = backupDir.toUtf8();
    if (engine.GetBackFileInfo(path.data(), &w.m_curBackupInfo) != 0)
        return;
    engine.Init(&w.m_curBackupInfo);
    engine.Scan(QString());
    engine.GetBackupCameraFile(w.m_vecCamera, w.m_vecPhotoStream);
    engine.GetBackupFileMessageInfo(w.m_mapMessage);
    engine.GetBackupMsgAttachments(w.m_vecAttachments);
    engine.GetBackupFilePersonContent(w.m_vecContacts);
    engine.GetBackupFileHistoryCallInfo(w.m_vecCallHistory);
    engine.GetBackupFileNotes(w.m_vecNotes);
    engine.GetAppFileInfo(w.m_vecAppFile);
    w.RefreshAppFileNode();
    engine.GetWhatsappMessageInfo(w.m_mapWhatsapp);
    engine.GetWhatsAppAttachment(w.m_vecWhatsappAttach);
}

void ShowTree(DRUI& w)
{
    const int order[] = {0, 1, 4, 5, 6, 7, 8, 2, 3, 9, 10};
    for (int category : order)
        CategoryTree::ShowFetched(w, w.m_pTree->topLevelItem(category), category);
    w.RefreshSelectFileInfo();
}

int Screenshots(const QString& outDir, QString backupDir, QTemporaryDir& scratch)
{
    if (backupDir.isEmpty()) {
        SampleOptions options;
        options.scale = SampleOptions::Scale::Small;
        QString error;
        if (!GenerateSampleBackup(options, scratch.path() + "/backups", &backupDir, &error)) {
            std::fprintf(stderr, "cannot generate the sample: %s\n", qPrintable(error));
            return 1;
        }
    }
    DRUI window;
    window.Init();
    window.InitLayout3Widget();
    window.m_pMainStack->addWidget(window.m_pResultWidget);
    window.m_pMainStack->setCurrentWidget(window.m_pResultWidget);
    ScanInto(window, backupDir);
    ShowTree(window);
    window.show();
    Settle(1500);

    QDir().mkpath(outDir);
    const struct {
        int category;
        const char* file;
    } shots[] = {{CATEGORY_CAMERA_ROLL, "results-camera-roll.png"}, {CATEGORY_MESSAGE, "results-message.png"},
                 {CATEGORY_CONTACTS, "results-contacts.png"}, {CATEGORY_WHATSAPP, "results-whatsapp.png"}};
    for (const auto& shot : shots) {
        window.m_pTree->setCurrentItem(window.m_pTree->topLevelItem(shot.category));
        Settle(2500);
        const QString file = QDir(outDir).filePath(shot.file);
        window.grab().save(file);
        std::printf("%s: %s\n", qPrintable(window.m_pTree->topLevelItem(shot.category)->text(0)), qPrintable(file));
    }
    // A group conversation in the chat preview: each incoming bubble under its sender.
    window.m_pTree->setCurrentItem(window.m_pTree->topLevelItem(CATEGORY_MESSAGE));
    for (int row = 0; row < window.m_pMessageTable->rowCount(); ++row) {
        const QTableWidgetItem* item = window.m_pMessageTable->item(row, 0);
        if (item && item->data(Qt::UserRole).toUInt() == GroupConversationKey(3)) {
            window.m_pMessageTable->selectRow(row);
            Settle(2500);
            const QString file = QDir(outDir).filePath("results-message-group.png");
            window.grab().save(file);
            std::printf("group conversation %s: %s\n", qPrintable(item->text()), qPrintable(file));
            break;
        }
    }
    // A long note, a locked note and a WhatsApp group holding only system rows,
    // each chosen in its table.
    const struct {
        int category;
        QTableWidget* table;
        const char* rowText;
        const char* file;
    } rows[] = {{CATEGORY_NOTES, window.m_pNotesTable, "Shopping, list", "results-notes-long.png"},
                {CATEGORY_NOTES, window.m_pNotesTable, "Locked note", "results-notes-locked.png"},
                {CATEGORY_WHATSAPP, window.m_pWhatsappTable, "Neighbours 🏡", "results-whatsapp-system-only.png"}};
    for (const auto& shot : rows) {
        window.m_pTree->setCurrentItem(window.m_pTree->topLevelItem(shot.category));
        Settle(500);
        const QString wanted = QString::fromUtf8(shot.rowText);
        for (int r = 0; r < shot.table->rowCount(); ++r) {
            const QTableWidgetItem* cell = shot.table->item(r, 0);
            if (cell && cell->text() == wanted) {
                shot.table->selectRow(r);
                shot.table->scrollToItem(cell);
                break;
            }
        }
        Settle(2500);
        const QString file = QDir(outDir).filePath(shot.file);
        window.grab().save(file);
        std::printf("%s: %s\n", shot.rowText, qPrintable(file));
    }
    std::printf("summary: %s\n", qPrintable(window.m_pLabelSelect->text()));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (PrepareWindowBench(argc, argv, "quillmere-bench-ui"))
        return 0;
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(drui);

    QString backupDir;
    bool synthetic = false;
    int rows = 20000;
    QString screenshotDir;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == "--backup" && i + 1 < args.size())
            backupDir = args[++i];
        else if (args[i] == "--synthetic")
            synthetic = true;
        else if (args[i] == "--rows" && i + 1 < args.size())
            rows = args[++i].toInt();
        else if (args[i] == "--screenshot" && i + 1 < args.size())
            screenshotDir = args[++i];
    }

    QTemporaryDir scratch;
    qputenv("QUILLMERE_SUPPORT_DIR", (scratch.path() + "/support/").toUtf8());
    qputenv("QUILLMERE_BACKUP_ROOT", (scratch.path() + "/backups/").toUtf8());
    if (!screenshotDir.isEmpty())
        return Screenshots(screenshotDir, backupDir, scratch);

    CameraInfoVec camera;
    const char* source = "made-up records";
    if (!synthetic) {
        if (backupDir.isEmpty()) {
            SampleOptions options;
            options.scale = SampleOptions::Scale::Large;
            QString error;
            QElapsedTimer timer;
            timer.start();
            if (!GenerateSampleBackup(options, scratch.path() + "/backups", &backupDir, &error)) {
                std::fprintf(stderr, "cannot generate the sample: %s\n", qPrintable(error));
                return 1;
            }
            Report("generate the large sample (once)", double(timer.elapsed()));
        }
        camera = CameraRollOf(backupDir);
        if (!camera.empty())
            source = "the large sample";
    }
    if (camera.empty())
        camera = MadeUpCameraRoll(rows);
    std::printf("camera roll: %zu rows from %s\n", camera.size(), source);

    DRUI window;
    window.Init();
    QTreeWidgetItem* node = nullptr;
    auto freshPage = [&] {
        window.InitLayout3Widget();
        window.m_pMainStack->addWidget(window.m_pResultWidget);
        window.m_pMainStack->setCurrentWidget(window.m_pResultWidget);
        window.m_vecCamera = camera;
        window.m_cameraTableMap.clear();
        node = window.m_pTree->topLevelItem(CATEGORY_CAMERA_ROLL);
        node->setCheckState(0, Qt::Checked);
    };

    // What the scan does for the node: fill the table, tick every row, enter the map.
    Report("scan step: fill + tick camera roll table",
           Time(freshPage, [&] { window.UpdateTreeInfo(node, 0, true); }));

    // The user chooses the node: page shown, first row previewed, rows synced.
    Report("choose node: filled table shown and synced", Time([&] {
               freshPage();
               window.UpdateTreeInfo(node, 0, true);
           },
                                                             [&] {
               window.m_pTree->setCurrentItem(node);
               QCoreApplication::processEvents();
           }));

    // Unticking then ticking the node moves every row and the whole map.
    Report("untick + tick the node (all rows, map)", Time([&] {
               freshPage();
               window.UpdateTreeInfo(node, 0, true);
               window.m_pTree->setCurrentItem(node);
           },
                                                          [&] {
               node->setCheckState(0, Qt::Unchecked);
               window.treeItemClick(node, 0);
               node->setCheckState(0, Qt::Checked);
               window.treeItemClick(node, 0);
           }));

    // One click on a row's check box in the middle of the table.
    const int middle = int(camera.size() / 2);
    Report("one row unticked (map, node state, summary)", Time([&] {
               freshPage();
               window.UpdateTreeInfo(node, 0, true);
               window.m_pTree->setCurrentItem(node);
           },
                                                              [&] {
               window.m_pCameraTable->item(middle, 0)->setCheckState(Qt::Unchecked);
               window.cameraTableItemPress(middle, 0);
           }));

    // Painting the page once it is current.
    window.show();
    QCoreApplication::processEvents();
    Report("paint the camera roll page", Time([&] {
               freshPage();
               window.UpdateTreeInfo(node, 0, true);
               window.m_pTree->setCurrentItem(node);
           },
                                              [&] { window.m_pResultWidget->repaint(); }));
    return 0;
}
