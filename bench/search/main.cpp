// Window benchmark, run by hand: how fast the search field of the results page
// answers a keystroke on the Message page of the large sample (2 000
// conversations, 300 000 messages), and on its Camera Roll page (20 000 rows).
//
//   quillmere-bench-search [--backup DIR]
//   quillmere-bench-search --screenshot OUTDIR [--backup DIR]
//
// A keystroke is timed from the field's new text to the page painted: the
// rows narrowed and, when the previewed conversation changes, its bubbles
// sent to the chat view. Words are typed letter by letter and erased again.
// The second form saves the Message page with a search and its marked bubble,
// and the page with the date range and the skip option ticked (a small
// generated backup by default).
#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QStackedLayout>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench/WindowBench.h"
#include "engine/IphoneBackupFile.h"
#include "support/Version.h"
#include "tools/sample/SampleGenerator.h"
#include "ui/CategoryTree.h"
#include "ui/DRUI.h"

namespace {

long PeakMemoryMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

bool Generate(SampleOptions::Scale scale, const QString& root, QString& backupDir)
{
    SampleOptions options;
    options.scale = scale;
    QString error;
    if (GenerateSampleBackup(options, root, &backupDir, &error))
        return true;
    std::fprintf(stderr, "cannot generate the sample: %s\n", qPrintable(error));
    return false;
}

// The conversations and the camera roll of a backup in the window, their
// nodes ticked and their tables filled as after a scan, the Message page on show.
bool ShowResults(DRUI& w, const QString& backupDir)
{
    CIphoneBackupFile& engine = w.m_backupFile;
    QByteArray path = backupDir.toUtf8();
    if (engine.GetBackFileInfo(path.data(), &w.m_curBackupInfo) != 0)
        return false;
    engine.Init(&w.m_curBackupInfo);
    if (engine.Scan(QString()) != 0)
        return false;
    engine.GetBackupFileMessageInfo(w.m_mapMessage);
    engine.GetBackupCameraFile(w.m_vecCamera, w.m_vecPhotoStream);
    for (int category : {CATEGORY_CAMERA_ROLL, CATEGORY_MESSAGE})
        CategoryTree::ShowFetched(w, w.m_pTree->topLevelItem(category), category);
    w.RefreshSelectFileInfo();
    w.m_pTree->setCurrentItem(w.m_pTree->topLevelItem(CATEGORY_MESSAGE));
    return !w.m_mapMessage.empty();
}

// A word of at least five letters from a message in the middle of the middle
// conversation: found in some conversations, not in all.
QString WordFromTheMiddle(const MessageMap& conversations)
{
    auto it = conversations.begin();
    std::advance(it, conversations.size() / 2);
    const std::vector<__MESSAGE_INFO__>& messages = it->second;
    for (size_t i = messages.size() / 2; i < messages.size(); ++i) {
        for (const QString& word : QString::fromStdString(messages[i].strText).split(' ', Qt::SkipEmptyParts)) {
            bool letters = word.size() >= 5;
            for (const QChar ch : word)
                letters = letters && ch.isLetter();
            if (letters)
                return word;
        }
    }
    return QStringLiteral("pumpkin");
}

int ShownRows(const QTableWidget* table)
{
    int shown = 0;
    for (int row = 0; row < table->rowCount(); ++row)
        shown += table->isRowHidden(row) ? 0 : 1;
    return shown;
}

// Types each word letter by letter, then erases it letter by letter, timing
// every keystroke up to the painted page.
void TypeWords(DRUI& window, const QTableWidget* table, const char* page, const QStringList& words)
{
    QLineEdit* field = window.findChild<QLineEdit*>(QStringLiteral("searchField"));
    QStringList keystrokes;
    for (const QString& typed : words) {
        for (int n = 1; n <= typed.size(); ++n)
            keystrokes << typed.left(n);
        for (int n = int(typed.size()) - 1; n >= 0; --n)
            keystrokes << typed.left(n);
    }
    std::vector<double> runs;
    double first = -1;
    QElapsedTimer timer;
    for (const QString& text : keystrokes) {
        timer.start();
        field->setText(text);
        QCoreApplication::processEvents();
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        if (first < 0)
            first = ms;
        else
            runs.push_back(ms);
        if (text == words.first())
            std::printf("\"%s\": %d of %d rows shown\n", qPrintable(text), ShownRows(table), table->rowCount());
    }
    std::sort(runs.begin(), runs.end());
    std::printf("%s\n", page);
    std::printf("  %-42s %9.1f ms\n", "first keystroke (builds the index)", first);
    std::printf("  %-42s %9.1f ms   (%zu keystrokes)\n", "keystroke, median", runs[runs.size() / 2], runs.size());
    std::printf("  %-42s %9.1f ms\n", "keystroke, 90th percentile", runs[runs.size() * 9 / 10]);
    std::printf("  %-42s %9.1f ms\n", "keystroke, slowest", runs.back());
}

int Screenshot(const QString& outDir, DRUI& window)
{
    QLineEdit* field = window.findChild<QLineEdit*>(QStringLiteral("searchField"));
    const QString word = WordFromTheMiddle(window.m_mapMessage);
    field->setText(word);
    Settle(3000);
    QDir().mkpath(outDir);
    const QString file = QDir(outDir).filePath(QStringLiteral("results-message-search.png"));
    window.grab().save(file);
    std::printf("search \"%s\": %d of %d conversations, %s\n", qPrintable(word), ShownRows(window.m_pMessageTable),
                window.m_pMessageTable->rowCount(), qPrintable(file));

    // The recovery narrowed to a month, skipping what an earlier run wrote.
    field->clear();
    window.findChild<QCheckBox*>(QStringLiteral("dateRangeEnabled"))->setChecked(true);
    window.findChild<QDateEdit*>(QStringLiteral("dateFrom"))->setDate(QDate(2019, 1, 1));
    window.findChild<QDateEdit*>(QStringLiteral("dateTo"))->setDate(QDate(2019, 1, 31));
    window.findChild<QCheckBox*>(QStringLiteral("skipRecovered"))->setChecked(true);
    Settle(1500);
    const QString rangeFile = QDir(outDir).filePath(QStringLiteral("results-date-range.png"));
    window.grab().save(rangeFile);
    std::printf("date range and skip option: %s\n", qPrintable(rangeFile));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (PrepareWindowBench(argc, argv, "quillmere-bench-search"))
        return 0;
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(drui);

    QString backupDir;
    QString screenshotDir;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == "--backup" && i + 1 < args.size())
            backupDir = args[++i];
        else if (args[i] == "--screenshot" && i + 1 < args.size())
            screenshotDir = args[++i];
    }

    QTemporaryDir scratch;
    qputenv("QUILLMERE_SUPPORT_DIR", (scratch.path() + "/support/").toUtf8());
    qputenv("QUILLMERE_BACKUP_ROOT", (scratch.path() + "/backups/").toUtf8());
    if (backupDir.isEmpty()) {
        const auto scale = screenshotDir.isEmpty() ? SampleOptions::Scale::Large : SampleOptions::Scale::Small;
        if (!Generate(scale, scratch.path() + "/backups", backupDir))
            return 1;
    }

    DRUI window;
    window.Init();
    window.InitLayout3Widget();
    window.m_pMainStack->addWidget(window.m_pResultWidget);
    window.m_pMainStack->setCurrentWidget(window.m_pResultWidget);
    window.show();
    QElapsedTimer timer;
    timer.start();
    if (!ShowResults(window, backupDir)) {
        std::fprintf(stderr, "no conversations in %s\n", qPrintable(backupDir));
        return 1;
    }
    size_t messages = 0;
    for (const auto& conversation : window.m_mapMessage)
        messages += conversation.second.size();
    std::printf("%zu conversations, %zu messages (scan and table: %lld ms)\n", window.m_mapMessage.size(), messages,
                static_cast<long long>(timer.elapsed()));
    Settle(1000);
    if (!screenshotDir.isEmpty())
        return Screenshot(screenshotDir, window);

    const QString word = WordFromTheMiddle(window.m_mapMessage);
    TypeWords(window, window.m_pMessageTable, "Message page", {word, QStringLiteral("zqxj"), QStringLiteral("the ")});
    window.findChild<QLineEdit*>(QStringLiteral("searchField"))->clear();
    window.m_pTree->setCurrentItem(window.m_pTree->topLevelItem(CATEGORY_CAMERA_ROLL));
    Settle(500);
    std::printf("camera roll: %d rows\n", window.m_pCameraTable->rowCount());
    TypeWords(window, window.m_pCameraTable, "Camera Roll page",
              {QStringLiteral("IMG_1"), QStringLiteral("zqxj"), QStringLiteral(".heic")});
    std::printf("peak memory %ld MB\n", PeakMemoryMb());
    return 0;
}
