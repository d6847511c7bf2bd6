// The scan's fetches on two threads: the progress callback and the listener hear
// exactly what a run one by one makes them hear, on the calling thread, the records
// are the same, and a stop or a failure ends the run with its value and leaves no
// thread behind.
#include <atomic>
#include <chrono>
#include <thread>

#include <QDir>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include "ScanFixtures.h"
#include "engine/ProgressTape.h"
#include "engine/ScanFetch.h"
#include "tools/sample/SampleGenerator.h"
#include "tools/sample/SampleWriter.h"

namespace {

int ThreadCount()
{
    return int(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

// Everything a scan hands out, one line per record, plus what was heard.
struct Recording {
    QStringList progress; // every callback position, in order
    QStringList told;     // listener calls, in order
    QStringList records;
    int result = -1;
    bool offThread = false; // a callback or listener call came from another thread
    int stopAtCall = -1;    // the callback answers `stopValue` at this call (0-based)
    int stopValue = 0;
};

int Progress(void* data, int position)
{
    Recording* r = static_cast<Recording*>(data);
    r->offThread = r->offThread || QThread::currentThread() != QCoreApplication::instance()->thread();
    r->progress << QString::number(position);
    return r->progress.size() - 1 == r->stopAtCall ? r->stopValue : 0;
}

template <typename Vec>
void AddFiles(QStringList& out, const char* kind, const Vec& files)
{
    for (const auto& f : files)
        out << QStringLiteral("%1|%2|%3|%4")
                   .arg(kind, QString::fromStdString(f.strFileName), QString::number(f.nSize),
                        QString::fromStdWString(f.wstrFullPath));
}

QStringList Records(const CIphoneBackupFile& engine, const SCAN_FETCH_DATA& d)
{
    QStringList out;
    AddFiles(out, "camera", d.vecCamera);
    AddFiles(out, "stream", d.vecPhotoStream);
    AddFiles(out, "attachment", d.vecAttachments);
    AddFiles(out, "app", d.vecAppFile);
    AddFiles(out, "whatsappFile", d.vecWhatsappAttach);
    for (const auto& conversation : d.mapMessage)
        for (const __MESSAGE_INFO__& m : conversation.second) {
            out << QStringLiteral("message|%1|%2|%3|%4|%5|%6|%7")
                       .arg(conversation.first)
                       .arg(m.nRowId)
                       .arg(QString::fromStdString(m.strDate), QString::fromStdString(m.strContactName),
                            QString::fromStdString(m.strText), QString::fromStdString(m.strChatName))
                       .arg(m.vecAttachments.size());
            for (const _MESSAGE_ATTACHMENT_& a : m.vecAttachments)
                out << QStringLiteral("sent|%1|%2")
                           .arg(QString::fromStdString(a.strName), QString::fromStdWString(a.wstrFullPath));
        }
    for (const auto& chat : d.mapWhatsapp)
        for (const __WHATSAPP_MESSAGE__& m : chat.second)
            out << QStringLiteral("chat|%1|%2|%3|%4|%5")
                       .arg(chat.first)
                       .arg(QString::fromStdString(m.strDate), QString::fromStdString(m.strSenderName),
                            QString::fromStdString(m.strText))
                       .arg(m.vecAttachments.size());
    for (const __PERSON_CONTENT__& c : d.vecContacts)
        out << QStringLiteral("contact|%1|%2")
                   .arg(QString::fromStdString(c.strName), QString::fromStdString(c.strPhone));
    for (const __CALLHISTORY__& c : d.vecCallHistory)
        out << QStringLiteral("call|%1|%2|%3")
                   .arg(QString::fromStdString(c.strAddress), QString::fromStdString(c.strDate),
                        QString::fromStdString(c.strContactName));
    for (const __NOTES__& n : d.vecNotes)
        out << QStringLiteral("note|%1|%2").arg(QString::fromStdString(n.strTitle), QString::fromStdString(n.strBody));
    out << QStringLiteral("rows|%1|%2|%3")
               .arg(engine.m_nMaxMessageRowId)
               .arg(engine.m_nProgressPos)
               .arg(d.nAppPhotoCount * 1000 + d.nAppVideoCount);
    return out;
}

void Scan(const QString& dir, ScanFetchThreads threads, Recording& r)
{
    CIphoneBackupFile engine;
    std::unique_ptr<IPhoneRecoveryParse> parse = SelectBackup(engine, dir);
    QVERIFY(parse);
    parse->InitCallback(&Progress, &r);
    SetScanFetchThreads(threads);
    SCAN_FETCH_DATA data;
    r.result = RunEngineScan(engine, parse.get(), QString(), data, [&r](int category, unsigned long long n) {
        r.offThread = r.offThread || QThread::currentThread() != QCoreApplication::instance()->thread();
        r.told << QStringLiteral("%1=%2").arg(category).arg(n);
    });
    SetScanFetchThreads(ScanFetchThreads::Automatic);
    r.records = Records(engine, data);
}

QString WriteSample(QTemporaryDir& root, SampleOptions options)
{
    QString dir, error;
    SampleBackup backup = BuildSampleBackup(options);
    if (!WriteSampleBackup(backup, root.path(), &dir, &error))
        qWarning("%s", qPrintable(error));
    return dir;
}

// Its progress reports go to the tape attached on the calling thread, as the
// engine's do; each fetch reports 1 and 2 above where it began and moves on by 3.
class TapedFake : public StubParse {
public:
    // The messages wait until the attachments have begun (two threads only).
    bool messagesWait = false;
    std::atomic<bool> attachmentsBegun {false};
    QString failAt; // this fetch answers 5
    QStringList ran;
    std::mutex ranMutex;
    Recording* pRecording = nullptr;
    int position = 0;

    int Fetch(const char* name)
    {
        {
            std::lock_guard<std::mutex> lock(ranMutex);
            ran << name;
        }
        int& at = t_tape ? t_tape->Position() : position;
        for (int step = 1; step <= 2; ++step)
            Report(at + step);
        at += 3;
        return failAt == name ? 5 : 0;
    }
    void Report(int value)
    {
        if (t_tape)
            t_tape->Record(value);
        else
            Progress(pRecording, value);
    }
    bool AttachProgressTape(CProgressTape* tape) override
    {
        t_tape = tape;
        return true;
    }
    int ReplayProgressTape(const CProgressTape& tape) override
    {
        const int start = position;
        position += tape.Advance();
        for (int offset : tape.Offsets())
            if (const int answer = Progress(pRecording, start + offset))
                return answer;
        return 0;
    }
    int GetIPhoneMessageInfo(MessageMap& out) override
    {
        for (int waited = 0; messagesWait && !attachmentsBegun && waited < 5000; ++waited)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        out[1].resize(2);
        return Fetch("messages");
    }
    int GetAttachmentsFilePath(AttachmentVec& out) override
    {
        attachmentsBegun = true;
        out.resize(1);
        return Fetch("attachments");
    }
    int GetIPhonePersonContent(PersonContentVec&) override { return Fetch("contacts"); }
    int GetIPhoneNotes(NotesVec&) override { return Fetch("notes"); }
    int GetIPhoneHistoryCallInfo(CallHistoryVec&) override { return Fetch("calls"); }
    int GetCameraFilePath(CameraInfoVec&, CameraInfoVec&) override { return Fetch("camera"); }
    int GetWhatsAppAttachment(WhatsAppAttachmentVec&) override { return Fetch("whatsappFiles"); }
    int GetAppFilePath(AppFileInfoVec&) override { return Fetch("apps"); }
    int GetWhatsappMessageInfo(WhatsAppMessageMap&) override { return Fetch("whatsapp"); }

private:
    static thread_local CProgressTape* t_tape;
};
thread_local CProgressTape* TapedFake::t_tape = nullptr;

void FakeScan(TapedFake& fake, ScanFetchThreads threads, Recording& r)
{
    fake.pRecording = &r;
    SetScanFetchThreads(threads);
    SCAN_FETCH_DATA data;
    SCAN_FETCH_TARGETS targets = data.Targets();
    r.result = RunBackupScan(&fake, QString(), targets, [&r](int category, unsigned long long n) {
        r.told << QStringLiteral("%1=%2").arg(category).arg(n);
    });
    SetScanFetchThreads(ScanFetchThreads::Automatic);
}

} // namespace

class TestScanThreads : public QObject {
    Q_OBJECT
private slots:
    void bothWaysHearAndHoldTheSame_data();
    void bothWaysHearAndHoldTheSame();
    void stopsEndTheRunAndItsThread();
    void tapesKeepTheOrder();
};

void TestScanThreads::bothWaysHearAndHoldTheSame_data()
{
    QTest::addColumn<int>("layout");
    QTest::addColumn<int>("scale");
    QTest::addColumn<bool>("hostile");
    QTest::newRow("small, Manifest.db") << int(SampleOptions::Layout::New) << int(SampleOptions::Scale::Small) << false;
    QTest::newRow("small, Manifest.mbdb")
        << int(SampleOptions::Layout::Old) << int(SampleOptions::Scale::Small) << false;
    QTest::newRow("hostile") << int(SampleOptions::Layout::New) << int(SampleOptions::Scale::Tiny) << true;
}

void TestScanThreads::bothWaysHearAndHoldTheSame()
{
    QFETCH(int, layout);
    QFETCH(int, scale);
    QFETCH(bool, hostile);
    SampleOptions options;
    options.layout = SampleOptions::Layout(layout);
    options.scale = SampleOptions::Scale(scale);
    options.hostile = hostile;
    options.seed = 23;
    QTemporaryDir root;
    const QString dir = WriteSample(root, options);
    QVERIFY(!dir.isEmpty());

    Recording one, two;
    Scan(dir, ScanFetchThreads::One, one);
    Scan(dir, ScanFetchThreads::Two, two);
    QCOMPARE(one.result, 0);
    QCOMPARE(two.result, 0);
    QVERIFY(one.progress.size() > 20);
    QCOMPARE(two.progress, one.progress);
    QCOMPARE(two.told, one.told);
    QCOMPARE(two.told.size(), int(CATEGORY_COUNT));
    QVERIFY(!two.offThread);
    QVERIFY(one.records.size() > 100);
    QCOMPARE(two.records, one.records);
}

void TestScanThreads::stopsEndTheRunAndItsThread()
{
    SampleOptions options;
    options.scale = SampleOptions::Scale::Small;
    options.seed = 29;
    QTemporaryDir root;
    const QString dir = WriteSample(root, options);
    QVERIFY(!dir.isEmpty());
    Recording whole;
    Scan(dir, ScanFetchThreads::One, whole);
    QCOMPARE(whole.result, 0);
    // The camera roll reports about once per file up to 34; the messages' first
    // report is 36.
    const int cameraCalls = whole.progress.indexOf(QStringLiteral("34"));
    const int messagesFirst = whole.progress.indexOf(QStringLiteral("36"));
    QVERIFY(cameraCalls > 10 && messagesFirst > cameraCalls);

    const int threadsBefore = ThreadCount();
    // During the camera roll (heard as it runs, the messages run beside it), during
    // the messages' replay, and at the very last report.
    for (const int stopAt : {cameraCalls / 2, messagesFirst, int(whole.progress.size()) - 1}) {
        Recording stopped;
        stopped.stopAtCall = stopAt;
        stopped.stopValue = 7;
        Scan(dir, ScanFetchThreads::Two, stopped);
        QCOMPARE(stopped.result, 7);
        QVERIFY(!stopped.offThread);
        // Up to the stop it heard what a run one by one heard; a replayed fetch says
        // nothing after it (the camera roll, running live, ends its own way).
        QCOMPARE(stopped.progress.mid(0, stopAt + 1), whole.progress.mid(0, stopAt + 1));
        if (stopAt != cameraCalls / 2)
            QCOMPARE(stopped.progress.size(), stopAt + 1);
        QCOMPARE(stopped.told, whole.told.mid(0, stopped.told.size()));
        QVERIFY(stopped.told.size() < whole.told.size());
        QCOMPARE(ThreadCount(), threadsBefore);
    }

    // A message read running ahead stops reading rows once the run was stopped,
    // instead of reading them all first.
    CIphoneBackupFile engine;
    std::unique_ptr<IPhoneRecoveryParse> parse = SelectBackup(engine, dir);
    QVERIFY(parse);
    QCOMPARE(parse->Scan(QString()), 0);
    std::atomic<bool> stop {true};
    CProgressTape tape(&stop);
    QVERIFY(parse->AttachProgressTape(&tape));
    MessageMap messages;
    QVERIFY(parse->GetIPhoneMessageInfo(messages) != 0);
    parse->AttachProgressTape(nullptr);
    QVERIFY(engine.m_mapMessages.empty());
    QCOMPARE(engine.m_nMaxMessageRowId, 0ull); // not one row was read
}

void TestScanThreads::tapesKeepTheOrder()
{
    // The attachments run beside the messages, on a tape: heard only after them.
    Recording one, two;
    TapedFake first, second;
    second.messagesWait = true;
    FakeScan(first, ScanFetchThreads::One, one);
    FakeScan(second, ScanFetchThreads::Two, two);
    QCOMPARE(one.result, 0);
    QCOMPARE(two.result, 0);
    QCOMPARE(one.progress.size(), 18);
    QCOMPARE(two.progress, one.progress);
    QCOMPARE(two.told, one.told);
    QVERIFY(second.ran.indexOf("attachments") < second.ran.indexOf("messages"));

    // A fetch that fails ends the run with its value, wherever it ran: nothing after it is heard.
    const int threadsBefore = ThreadCount();
    for (const char* failing : {"messages", "contacts", "whatsapp", "whatsappFiles"}) {
        Recording sequential, parallel;
        TapedFake a, b;
        a.failAt = b.failAt = failing;
        FakeScan(a, ScanFetchThreads::One, sequential);
        FakeScan(b, ScanFetchThreads::Two, parallel);
        QCOMPARE(sequential.result, 5);
        QCOMPARE(parallel.result, 5);
        QCOMPARE(parallel.progress, sequential.progress);
        QCOMPARE(parallel.told, sequential.told);
        QCOMPARE(ThreadCount(), threadsBefore);
    }

    // A parse that cannot tape runs one by one even when two threads are asked for.
    class Untaped : public TapedFake {
    public:
        bool AttachProgressTape(CProgressTape*) override { return false; }
    } untaped;
    Recording plain;
    FakeScan(untaped, ScanFetchThreads::Two, plain);
    QCOMPARE(plain.progress, one.progress);
    QCOMPARE(untaped.ran.indexOf("messages"), 1);
    QCOMPARE(untaped.ran.indexOf("attachments"), 2);
}

QTEST_GUILESS_MAIN(TestScanThreads)
#include "tst_scanthreads.moc"
