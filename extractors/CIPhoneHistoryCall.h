// Reader of the phone's call log: CallHistory.storedata (ZCALLRECORD) of newer
// phones, or the `call` table of the old call_history.db; named from the address
// book, newest first.
#pragma once

#include <vector>

#include <QString>

#include "engine/BackupRecords.h"

class CIPhoneHistoryCall {
public:
    explicit CIPhoneHistoryCall(int nReserved = 0);

    // Appends to `calls`, names every record of the vector and sorts it newest
    // first. Always 0.
    int GetHistoryCallInfo(const char* callLogPath, const char* addressBookPath,
                           std::vector<__CALLHISTORY__>& calls);

private:
    void ReadCallLog(std::vector<__CALLHISTORY__>& calls);

    [[maybe_unused]] int m_nReserved = 0;
    QString m_strHistoryConnName = "history_connection";
    QString m_strHistoryDriver = "QSQLITE";
    QString m_strHistoryDbPath;
    QString m_strContactConnName = "contact_connection";
    QString m_strContactDriver = "QSQLITE";
    QString m_strContactDbPath;
};
