#include "bench/ScanFloor.h"

#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

#include <QUrl>

#include "engine/IphoneBackupFile.h"
#include "engine/UsedEntries.h"

namespace {

// The scan's fetches run on two threads: the recording is shared by both.
std::mutex g_recordingMutex;
ScanFloorPlan* g_recording = nullptr;
// The recorded statement each running one is, for counting its rows.
std::unordered_map<void*, size_t> g_running;

int NoteStatement(unsigned event, void*, void* statement, void* text)
{
    std::lock_guard<std::mutex> lock(g_recordingMutex);
    if (!g_recording)
        return 0;
    if (event == SQLITE_TRACE_ROW) {
        const auto running = g_running.find(statement);
        if (running != g_running.end())
            ++g_recording->statements[running->second].rows;
        return 0;
    }
    const char* sql = static_cast<const char*>(text);
    // Trigger programs announce themselves with a comment; there are none to replay.
    if (!sql || (sql[0] == '-' && sql[1] == '-'))
        return 0;
    sqlite3_stmt* stmt = static_cast<sqlite3_stmt*>(statement);
    const char* file = sqlite3_db_filename(sqlite3_db_handle(stmt), "main");
    char* expanded = sqlite3_expanded_sql(stmt);
    g_recording->statements.push_back({file ? file : "", expanded ? expanded : sql, 0});
    g_running[statement] = g_recording->statements.size() - 1;
    sqlite3_free(expanded);
    return 0;
}

int WatchConnection(sqlite3* db, const char**, const sqlite3_api_routines*)
{
    sqlite3_trace_v2(db, SQLITE_TRACE_STMT | SQLITE_TRACE_ROW, NoteStatement, nullptr);
    return SQLITE_OK;
}

sqlite3* OpenLikeTheEngine(const std::string& file)
{
    const QByteArray uri = QUrl::fromLocalFile(QString::fromStdString(file)).toString(QUrl::FullyEncoded).toUtf8()
        + "?immutable=1";
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(uri.constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return nullptr;
    }
    return db;
}

// Every column of as many rows as the engine stepped, touched in the form SQLite
// keeps it; nothing copied.
bool StepStatement(sqlite3* db, const ScanFloorPlan::Statement& statement, unsigned long long* rows,
                   unsigned long long* bytes)
{
    const std::string& sql = statement.sql;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), int(sql.size()), &stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        return false;
    }
    const int columns = sqlite3_column_count(stmt);
    for (unsigned long long row = 0; row < statement.rows && sqlite3_step(stmt) == SQLITE_ROW; ++row) {
        ++*rows;
        for (int c = 0; c < columns; ++c) {
            switch (sqlite3_column_type(stmt, c)) {
            case SQLITE_TEXT:
                *bytes += sqlite3_column_text(stmt, c) ? unsigned(sqlite3_column_bytes(stmt, c)) : 0;
                break;
            case SQLITE_BLOB:
                *bytes += sqlite3_column_blob(stmt, c) ? unsigned(sqlite3_column_bytes(stmt, c)) : 0;
                break;
            default:
                *bytes += sqlite3_column_int64(stmt, c) != 0;
                break;
            }
        }
    }
    sqlite3_finalize(stmt);
    return true;
}

// What a safe reader of a stored file's head cannot avoid: one open that follows
// no link and never blocks, its size, one read.
bool ReadHead(const std::string& path, unsigned long long* bytes)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    struct stat st;
    char head[512];
    const bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (ok) {
        const ssize_t got = ::read(fd, head, sizeof head);
        *bytes += got > 0 ? unsigned(got) + unsigned(st.st_size & 1) : 0;
    }
    ::close(fd);
    return ok;
}

bool ReadWhole(const std::string& path, unsigned long long* bytes)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    std::string buffer(1 << 20, '\0');
    ssize_t got = 0;
    while ((got = ::read(fd, &buffer[0], buffer.size())) > 0)
        *bytes += unsigned(got);
    ::close(fd);
    return got == 0;
}

} // namespace

void StartFloorRecording(ScanFloorPlan* plan)
{
    std::lock_guard<std::mutex> lock(g_recordingMutex);
    g_recording = plan;
    sqlite3_auto_extension(reinterpret_cast<void (*)()>(WatchConnection));
}

void StopFloorRecording()
{
    sqlite3_cancel_auto_extension(reinterpret_cast<void (*)()>(WatchConnection));
    std::lock_guard<std::mutex> lock(g_recordingMutex);
    g_recording = nullptr;
    g_running.clear();
}

void AddFloorFiles(const CIphoneBackupFile& engine, ScanFloorPlan* plan)
{
    std::set<std::string> databases;
    for (const ScanFloorPlan::Statement& statement : plan->statements)
        databases.insert(statement.database);
    for (const __MBDB_FILE__& entry : engine.m_vecManifest) {
        if (!IsEntryUsedByEngine(entry.strName, std::string()))
            continue;
        const std::string path = engine.GetStoredFilePath(entry.strFileId);
        if (!databases.count(path))
            plan->heads.push_back(path);
    }
    if (!engine.m_bManifestDb)
        plan->wholeFiles.push_back(engine.m_strBackupDir + "/Manifest.mbdb");
}

bool StepScanFloor(const ScanFloorPlan& plan, QString* note)
{
    unsigned long long rows = 0, bytes = 0, heads = 0;
    int failed = 0;
    for (const std::string& file : plan.wholeFiles)
        failed += ReadWhole(file, &bytes) ? 0 : 1;
    sqlite3* db = nullptr;
    std::string open;
    for (const ScanFloorPlan::Statement& statement : plan.statements) {
        // The engine keeps a connection for a run of statements on one database.
        if (!db || statement.database != open) {
            sqlite3_close(db);
            open = statement.database;
            db = OpenLikeTheEngine(open);
        }
        if (!db || !StepStatement(db, statement, &rows, &bytes))
            ++failed;
    }
    sqlite3_close(db);
    for (const std::string& head : plan.heads)
        heads += ReadHead(head, &bytes) ? 1 : 0;
    *note = QStringLiteral("%1 statements, %2 rows stepped, %3 heads read (%4 bytes)")
                .arg(plan.statements.size())
                .arg(rows)
                .arg(heads)
                .arg(bytes);
    if (failed)
        *note += QStringLiteral("; %1 statements or files failed").arg(failed);
    return failed == 0 && !plan.statements.empty();
}
