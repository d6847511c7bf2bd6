// The date range a recovery is narrowed to: whole local calendar days, both ends
// inclusive, either end open.
#pragma once

#include <QDate>
#include <QDateTime>

struct RecoveryDateRange {
    QDate since;   // null: no lower bound
    QDate until;   // null: no upper bound

    bool IsOpen() const { return since.isNull() && until.isNull(); }

    // An item without a usable date cannot be shown to lie in a range, so it only
    // passes when the range is open.
    bool Contains(const QDateTime& when) const
    {
        if (IsOpen())
            return true;
        if (!when.isValid())
            return false;
        const QDate day = when.toLocalTime().date();
        return (since.isNull() || day >= since) && (until.isNull() || day <= until);
    }
};
