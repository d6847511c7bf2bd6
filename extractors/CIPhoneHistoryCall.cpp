#include "extractors/CIPhoneHistoryCall.h"

#include <algorithm>
#include <strings.h>

#include <QSqlQuery>
#include <QVariant>

#include "extractors/ContactNameLookup.h"
#include "extractors/ExtractorSql.h"

namespace {
const char kCallRecordQuery[] =
    "SELECT ZANSWERED, ZDURATION, ZADDRESS,datetime(ZDATE + 978307200, 'unixepoch') AS "
    "DateString FROM ZCALLRECORD ORDER BY ZDATE DESC";
// Old call_history.db: dates count from 1970; flags bit 0 marks an outgoing call.
const char kOldCallQuery[] =
    "SELECT %1, duration, address, datetime(date, 'unixepoch') AS DateString FROM call "
    "ORDER BY date DESC";
} // namespace

CIPhoneHistoryCall::CIPhoneHistoryCall(int nReserved) : m_nReserved(nReserved) {}

void CIPhoneHistoryCall::ReadCallLog(std::vector<__CALLHISTORY__>& calls)
{
    CBackupConnection conn(m_strHistoryConnName, m_strHistoryDbPath);
    if (!conn.IsOpen())
        return;
    QSqlQuery query(conn.Database());
    query.setForwardOnly(true);
    bool ok = query.exec(kCallRecordQuery);
    if (!ok && conn.HasTable("call")) {
        // Very old logs have no answered column: a call that lasted was answered.
        const bool hasAnswered = conn.Columns("call").contains("answered", Qt::CaseInsensitive);
        ok = query.exec(QString(kOldCallQuery)
                            .arg(hasAnswered ? "answered" : "(duration > 0)"));
    }
    if (ok) {
        while (query.next()) {
            __CALLHISTORY__ call;
            call.nDeleted = 0;
            call.nAnswered = query.value(0).toInt();
            call.nDuration = query.value(1).toInt();
            // Newer logs keep the number as a BLOB of UTF-8 text.
            call.strAddress = ValueText(query.value(2));
            call.strDate = ValueText(query.value(3));
            if (!call.strAddress.empty())
                calls.push_back(std::move(call));
        }
    }
    query.clear();
    query.finish();
}

int CIPhoneHistoryCall::GetHistoryCallInfo(const char* callLogPath, const char* addressBookPath,
                                           std::vector<__CALLHISTORY__>& calls)
{
    m_strHistoryDbPath = QString::fromUtf8(callLogPath ? callLogPath : "");
    m_strContactDbPath = QString::fromUtf8(addressBookPath ? addressBookPath : "");

    ReadCallLog(calls);

    CContactNameLookup lookup(ReadLookupContacts(m_strContactDbPath, true));
    for (__CALLHISTORY__& call : calls) {
        call.strContactName.clear();
        // Short codes (4 bytes or fewer) would match far too many numbers.
        if (call.strAddress.size() > 4)
            call.strContactName = lookup.Find(call.strAddress);
    }

    std::stable_sort(calls.begin(), calls.end(),
                     [](const __CALLHISTORY__& a, const __CALLHISTORY__& b) {
                         return strcasecmp(a.strDate.c_str(), b.strDate.c_str()) > 0;
                     });
    return 0;
}
