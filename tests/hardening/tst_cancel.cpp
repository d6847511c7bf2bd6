#include <QtTest>

#include <QJsonObject>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "ExportRig.h"
#include "HostileCheck.h"
#include "cli/ExportScan.h"

// Stops at random moments of a scan and of a recovery (fixed seeds): the stopped
// step ends cleanly and the next scan or export gives the whole result.
class TestCancel : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void scanStopped_data();
    void scanStopped();
    void recoveryStopped();

private:
    QTemporaryDir m_tmp;
    ExportRig m_plain;
    ExportRig m_hostile;
};

namespace {
// Counts the progress reports and asks to stop from report `stopAt` on (0: never).
struct StopAfter {
    int nCalls = 0;
    int nStopAt = 0;
    int nAfterStop = 0;

    static int Callback(void* self, int percent)
    {
        auto* s = static_cast<StopAfter*>(self);
        Q_UNUSED(percent);
        ++s->nCalls;
        if (s->nStopAt && s->nCalls > s->nStopAt)
            ++s->nAfterStop;
        return s->nStopAt && s->nCalls >= s->nStopAt ? 1 : 0;
    }
};

bool AtMost(const QJsonObject& part, const QJsonObject& whole)
{
    for (auto it = whole.begin(); it != whole.end(); ++it) {
        if (part.value(it.key()).toInteger() > it.value().toInteger())
            return false;
    }
    return true;
}
}

void TestCancel::initTestCase()
{
    QVERIFY(m_tmp.isValid());
    qputenv("QUILLMERE_SUPPORT_DIR", m_tmp.filePath("support/").toUtf8());
    SampleOptions options;
    options.seed = 41;
    QString error;
    QVERIFY2(m_plain.Build(options, m_tmp.filePath("plain"), &error), qPrintable(error));
    options.hostile = true;
    QVERIFY2(m_hostile.Build(options, m_tmp.filePath("hostile"), &error), qPrintable(error));
}

void TestCancel::scanStopped_data()
{
    QTest::addColumn<bool>("hostile");
    QTest::newRow("plain") << false;
    QTest::newRow("hostile") << true;
}

void TestCancel::scanStopped()
{
    QFETCH(bool, hostile);
    ExportRig& rig = hostile ? m_hostile : m_plain;
    StopAfter full;
    QCOMPARE(rig.Rescan(StopAfter::Callback, &full), 0);
    const QJsonObject whole = ScanCategoryCounts(rig.data);
    QVERIFY(full.nCalls > 20);

    QRandomGenerator random(hostile ? 11 : 12);
    for (int round = 0; round < 12; ++round) {
        StopAfter stop;
        stop.nStopAt = random.bounded(1, full.nCalls + 1);
        const int result = rig.Rescan(StopAfter::Callback, &stop);
        const QString where = QStringLiteral("stop at report %1 of %2").arg(stop.nStopAt).arg(full.nCalls);
        // A stop is handed back, or (in a report whose answer is not asked) it comes too late to matter.
        QVERIFY2(result == 1 || result == 0, qPrintable(where));
        QVERIFY2(AtMost(ScanCategoryCounts(rig.data), whole), qPrintable(where));
        if (result == 1)
            QVERIFY2(stop.nCalls < full.nCalls, qPrintable(where));

        // The same engine scans again, whole.
        StopAfter again;
        QCOMPARE(rig.Rescan(StopAfter::Callback, &again, false), 0);
        QCOMPARE(ScanCategoryCounts(rig.data), whole);
        QCOMPARE(again.nCalls, full.nCalls);
    }
}

void TestCancel::recoveryStopped()
{
    ExportRig& rig = m_hostile;
    QCOMPARE(rig.Rescan(nullptr, nullptr), 0);
    std::vector<bool> all;
    QString unused;
    ParseExportCategories(QString(), &all, &unused);
    rig.selection = SelectForExport(rig.data, all);

    int reports = 0;
    const RecoveryOutcome whole = rig.Export(m_tmp.filePath("whole"), [&](int, int, int, const QString&) { ++reports; });
    const QStringList wholeTree = StampFreeFiles(m_tmp.filePath("whole"), whole.strStamp);
    QVERIFY(reports > 10);

    QRandomGenerator random(21);
    for (int round = 0; round < 8; ++round) {
        const int stopAt = random.bounded(1, reports + 1);
        std::atomic<bool> stop{false};
        int seen = 0;
        bool reportAfterStop = false;
        const QString dest = m_tmp.filePath(QStringLiteral("stopped%1").arg(round));
        const RecoveryOutcome o = rig.Export(dest, [&](int, int, int, const QString&) {
            reportAfterStop |= stop.load();
            if (++seen == stopAt)
                stop = true;
        }, &stop);
        QVERIFY(!reportAfterStop);
        QCOMPARE(seen, stopAt);
        // The run still finished what it had: no half-written export.
        QCOMPARE(o.nWritten, whole.nWritten);
        QCOMPARE(o.nFailed, whole.nFailed);
        QCOMPARE(StampFreeFiles(dest, o.strStamp), wholeTree);
        const QString problem = HostileCheck::ExportProblem(dest);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }
    // And the next run is whole too.
    const RecoveryOutcome next = rig.Export(m_tmp.filePath("next"));
    QCOMPARE(StampFreeFiles(m_tmp.filePath("next"), next.strStamp), wholeTree);
}

QTEST_GUILESS_MAIN(TestCancel)
#include "tst_cancel.moc"
