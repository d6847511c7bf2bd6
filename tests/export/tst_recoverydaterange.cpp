#include <QtTest>

#include "export/RecoveryDateRange.h"

class TestRecoveryDateRange : public QObject {
    Q_OBJECT
private slots:
    void wholeLocalDaysBothEndsInclusive();
};

void TestRecoveryDateRange::wholeLocalDaysBothEndsInclusive()
{
    const QDate may1(2024, 5, 1), may3(2024, 5, 3);
    const auto local = [](int d, int h, int m, int s) { return QDateTime(QDate(2024, 5, d), QTime(h, m, s)); };

    RecoveryDateRange open;
    QVERIFY(open.IsOpen());
    QVERIFY(open.Contains(local(2, 12, 0, 0)));
    QVERIFY(open.Contains(QDateTime()));   // undated items pass only an open range

    RecoveryDateRange both{may1, may3};
    QVERIFY(!both.IsOpen());
    QVERIFY(both.Contains(local(1, 0, 0, 0)));      // first moment of the first day
    QVERIFY(both.Contains(local(3, 23, 59, 59)));   // last second of the last day
    QVERIFY(!both.Contains(local(4, 0, 0, 0)));
    QVERIFY(!both.Contains(QDateTime(QDate(2024, 4, 30), QTime(23, 59, 59))));
    QVERIFY(!both.Contains(QDateTime()));

    // A UTC moment is judged by the local calendar day it falls on.
    const QDateTime utc = local(3, 23, 30, 0).toUTC();
    QVERIFY(both.Contains(utc));

    RecoveryDateRange fromOnly{may3, QDate()};
    QVERIFY(!fromOnly.IsOpen());
    QVERIFY(fromOnly.Contains(QDateTime(QDate(2031, 1, 1), QTime(0, 0))));
    QVERIFY(!fromOnly.Contains(local(2, 23, 59, 59)));

    RecoveryDateRange untilOnly{QDate(), may1};
    QVERIFY(untilOnly.Contains(QDateTime(QDate(2001, 1, 1), QTime(0, 0))));
    QVERIFY(!untilOnly.Contains(local(2, 0, 0, 0)));
}

QTEST_GUILESS_MAIN(TestRecoveryDateRange)
#include "tst_recoverydaterange.moc"
