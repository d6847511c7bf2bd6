#include "engine/ScanFetch.h"

#include <atomic>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <QThread>

#include "engine/AppFileSplit.h"
#include "engine/IPhoneRecoveryParse.h"
#include "engine/IphoneBackupFile.h"
#include "engine/ProgressTape.h"

namespace {

std::atomic<int> g_threads {int(ScanFetchThreads::Automatic)};

struct Step {
    std::function<int()> fetch;
    int first;
    int last;
    // Runs on the second thread: the fetches with their own databases and the
    // longest reads, so the two threads take about as long.
    bool ahead;
};

void Tell(const ScanFetchListener& listener, const SCAN_FETCH_TARGETS& t, const Step& step)
{
    if (listener)
        for (int category = step.first; category <= step.last; ++category)
            listener(category, ScanCategoryCount(t, category));
}

int RunOneByOne(const std::vector<Step>& steps, const SCAN_FETCH_TARGETS& t, const ScanFetchListener& listener)
{
    for (const Step& step : steps) {
        const int result = step.fetch();
        if (result != 0)
            return result;
        Tell(listener, t, step);
    }
    return 0;
}

// A fetch's result and the reports it made while it ran ahead of its turn.
struct Outcome {
    explicit Outcome(const std::atomic<bool>* stop) : tape(stop) { }
    CProgressTape tape;
    int result = 0;
    bool done = false;
    std::exception_ptr failure;
};

// The calling thread's reports go to `tape` while this lives.
class TapeScope {
public:
    TapeScope(IPhoneRecoveryParse* parse, CProgressTape* tape) : m_pParse(parse) { parse->AttachProgressTape(tape); }
    ~TapeScope() { m_pParse->AttachProgressTape(nullptr); }
    TapeScope(const TapeScope&) = delete;
    TapeScope& operator=(const TapeScope&) = delete;

private:
    IPhoneRecoveryParse* m_pParse;
};

// The steps marked `ahead` run in order on a second thread, each on a tape. The
// others run here: live when every earlier step has been told, on a tape when one
// is still running there. Tapes are replayed and steps told strictly in order.
class TwoThreadRun {
public:
    TwoThreadRun(IPhoneRecoveryParse* parse, const std::vector<Step>& steps, const SCAN_FETCH_TARGETS& t,
                 const ScanFetchListener& listener)
        : m_pParse(parse), m_steps(steps), m_targets(t), m_listener(listener)
    {
        for (size_t i = 0; i < steps.size(); ++i)
            m_outcomes.push_back(std::make_unique<Outcome>(&m_stop));
    }

    ~TwoThreadRun()
    {
        m_stop = true;
        if (m_ahead.joinable())
            m_ahead.join();
    }

    int Run()
    {
        m_ahead = std::thread([this] { RunAhead(); });
        for (size_t i = 0; i < m_steps.size(); ++i) {
            if (m_steps[i].ahead)
                continue;
            if (const int result = CatchUp(i, false))
                return result;
            Outcome& outcome = *m_outcomes[i];
            if (m_told == i) {
                if ((outcome.result = m_steps[i].fetch()) != 0)
                    return outcome.result;
                Tell(m_listener, m_targets, m_steps[i]);
                ++m_told;
                continue;
            }
            {
                TapeScope scope(m_pParse, &outcome.tape);
                outcome.result = m_steps[i].fetch();
            }
            outcome.done = true;
            // What comes after a failed step is never needed.
            if (outcome.result != 0)
                break;
        }
        return CatchUp(m_steps.size(), true);
    }

private:
    void RunAhead()
    {
        for (size_t i = 0; i < m_steps.size(); ++i) {
            if (!m_steps[i].ahead)
                continue;
            Outcome& outcome = *m_outcomes[i];
            if (!m_stop) {
                TapeScope scope(m_pParse, &outcome.tape);
                try {
                    outcome.result = m_steps[i].fetch();
                } catch (...) {
                    outcome.failure = std::current_exception();
                }
            }
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                outcome.done = true;
            }
            m_finished.notify_all();
        }
    }

    // Replays and tells the steps before `until` in order, as far as they have
    // finished (`wait`: waits for each); the first non-zero answer or result.
    int CatchUp(size_t until, bool wait)
    {
        for (; m_told < until; ++m_told) {
            const Step& step = m_steps[m_told];
            Outcome& outcome = *m_outcomes[m_told];
            if (step.ahead) {
                std::unique_lock<std::mutex> lock(m_mutex);
                if (!outcome.done && !wait)
                    return 0;
                m_finished.wait(lock, [&outcome] { return outcome.done; });
            }
            if (outcome.failure)
                std::rethrow_exception(outcome.failure);
            if (const int answer = m_pParse->ReplayProgressTape(outcome.tape))
                return answer;
            if (outcome.result != 0)
                return outcome.result;
            Tell(m_listener, m_targets, step);
        }
        return 0;
    }

    IPhoneRecoveryParse* m_pParse;
    const std::vector<Step>& m_steps;
    const SCAN_FETCH_TARGETS& m_targets;
    const ScanFetchListener& m_listener;
    std::vector<std::unique_ptr<Outcome>> m_outcomes;
    std::atomic<bool> m_stop {false};
    std::mutex m_mutex;
    std::condition_variable m_finished;
    size_t m_told = 0;
    std::thread m_ahead;
};

bool UseTwoThreads(IPhoneRecoveryParse* parse)
{
    const auto threads = ScanFetchThreads(g_threads.load());
    if (threads == ScanFetchThreads::One || !parse->AttachProgressTape(nullptr))
        return false;
    return threads == ScanFetchThreads::Two || QThread::idealThreadCount() >= 2;
}

// Both container sets name their members alike.
template <typename Containers>
unsigned long long CountOf(const Containers& t, int category)
{
    switch (category) {
    case CATEGORY_CAMERA_ROLL: return t.vecCamera.size();
    case CATEGORY_PHOTO_STREAM: return t.vecPhotoStream.size();
    case CATEGORY_APP_PHOTOS: return t.nAppPhotoCount;
    case CATEGORY_APP_VIDEOS: return t.nAppVideoCount;
    case CATEGORY_MESSAGE: return t.mapMessage.size();
    case CATEGORY_MESSAGE_ATTACHMENTS: return t.vecAttachments.size();
    case CATEGORY_CONTACTS: return t.vecContacts.size();
    case CATEGORY_CALL_HISTORY: return t.vecCallHistory.size();
    case CATEGORY_NOTES: return t.vecNotes.size();
    case CATEGORY_WHATSAPP: return t.mapWhatsapp.size();
    case CATEGORY_WHATSAPP_ATTACHMENTS: return t.vecWhatsappAttach.size();
    default: return 0;
    }
}
} // namespace

unsigned long long ScanCategoryCount(const SCAN_FETCH_TARGETS& targets, int category)
{
    return CountOf(targets, category);
}

unsigned long long ScanCategoryCount(const SCAN_FETCH_DATA& data, int category)
{
    return CountOf(data, category);
}

int RunBackupScan(IPhoneRecoveryParse* parse, const QString& scanFolder, SCAN_FETCH_TARGETS& t,
                  const ScanFetchListener& listener, int* scanResult)
{
    if (!parse)
        return -1;
    const int scanned = parse->Scan(scanFolder);
    if (scanResult)
        *scanResult = scanned;
    if (scanned == -110 || scanned == 2)
        return scanned;
    if (scanned == -1)
        return 2;

    const std::vector<Step> steps = {
        {[&] { return parse->GetCameraFilePath(t.vecCamera, t.vecPhotoStream); }, CATEGORY_CAMERA_ROLL,
         CATEGORY_PHOTO_STREAM, false},
        {[&] { return parse->GetIPhoneMessageInfo(t.mapMessage); }, CATEGORY_MESSAGE, CATEGORY_MESSAGE, true},
        {[&] { return parse->GetAttachmentsFilePath(t.vecAttachments); }, CATEGORY_MESSAGE_ATTACHMENTS,
         CATEGORY_MESSAGE_ATTACHMENTS, false},
        {[&] { return parse->GetIPhonePersonContent(t.vecContacts); }, CATEGORY_CONTACTS, CATEGORY_CONTACTS, false},
        {[&] { return parse->GetIPhoneHistoryCallInfo(t.vecCallHistory); }, CATEGORY_CALL_HISTORY,
         CATEGORY_CALL_HISTORY, false},
        {[&] { return parse->GetIPhoneNotes(t.vecNotes); }, CATEGORY_NOTES, CATEGORY_NOTES, false},
        {[&] {
             const int result = parse->GetAppFilePath(t.vecAppFile);
             if (result == 0)
                 SplitAppFiles(t.vecAppFile, t.mapAppPhotos, t.mapAppVideos, t.nAppPhotoCount, t.nAppVideoCount);
             return result;
         },
         CATEGORY_APP_PHOTOS, CATEGORY_APP_VIDEOS, false},
        {[&] { return parse->GetWhatsappMessageInfo(t.mapWhatsapp); }, CATEGORY_WHATSAPP, CATEGORY_WHATSAPP, true},
        // Only hands over what the application-file fetch collected, so it comes after it
        // (on the same thread).
        {[&] { return parse->GetWhatsAppAttachment(t.vecWhatsappAttach); }, CATEGORY_WHATSAPP_ATTACHMENTS,
         CATEGORY_WHATSAPP_ATTACHMENTS, false},
    };
    if (!UseTwoThreads(parse))
        return RunOneByOne(steps, t, listener);
    return TwoThreadRun(parse, steps, t, listener).Run();
}

void SetScanFetchThreads(ScanFetchThreads threads)
{
    g_threads = int(threads);
}

int RunEngineScan(CIphoneBackupFile& engine, IPhoneRecoveryParse* parse, const QString& scanFolder,
                  SCAN_FETCH_DATA& data, const ScanFetchListener& listener, int* scanResult)
{
    SCAN_FETCH_TARGETS targets = data.Targets();
    SCAN_FETCH_TARGETS shared{targets.vecCamera,      targets.vecPhotoStream, engine.m_mapMessages,
                              targets.vecAttachments, targets.vecContacts,    targets.vecCallHistory,
                              targets.vecNotes,       targets.vecAppFile,     targets.mapAppPhotos,
                              targets.mapAppVideos,   targets.nAppPhotoCount, targets.nAppVideoCount,
                              engine.m_mapWhatsApp,   targets.vecWhatsappAttach};
    data.mapMessage.clear();
    data.mapWhatsapp.clear();
    // A listener counts conversations in the maps being filled.
    const int result = RunBackupScan(parse, scanFolder, shared, listener, scanResult);
    data.mapMessage.swap(engine.m_mapMessages);
    data.mapWhatsapp.swap(engine.m_mapWhatsApp);
    engine.m_mapMessages.clear();
    engine.m_mapWhatsApp.clear();
    return result;
}
