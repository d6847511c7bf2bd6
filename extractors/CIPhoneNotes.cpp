#include "extractors/CIPhoneNotes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <strings.h>

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include "extractors/ExtractorSql.h"

namespace {

const char kOldNotesQuery[] =
    "SELECT ZNOTE.ZCREATIONDATE ,ZNOTE.ZTITLE, ZNOTEBODY.ZCONTENT from ZNOTE LEFT JOIN "
    "ZNOTEBODY ON ZBODY = ZNOTEBODY.Z_PK order by ZNOTE.ZCREATIONDATE desc";

void DecodeHtmlSpecialChars(QString& text)
{
    text.replace("&#39;", "'").replace("&#39", "'");
    text.replace("&quot;", "\"").replace("&quot", "\"");
    text.replace("&lt;", "<");
    text.replace("&gt;", ">");
    text.replace("&nbsp;", " ");
    text.replace("&amp;", "&");
}

void SortNewestFirst(std::vector<__NOTES__>& notes)
{
    if (notes.size() < 2)
        return;
    std::stable_sort(notes.begin(), notes.end(), [](const __NOTES__& a, const __NOTES__& b) {
        return strcasecmp(a.strDate.c_str(), b.strDate.c_str()) > 0;
    });
}

} // namespace

std::string CleanNoteText(const QString& source)
{
    QString text = source;
    DecodeHtmlSpecialChars(text);
    text.replace("<div>", "\n");
    text.replace("</div>", "");
    text.replace("<br>", "\n");
    return text.toStdString();
}

std::string NoteLocalDate(long long secondsSince2001)
{
    const time_t t = time_t(secondsSince2001 + 978307200LL);
    struct tm tmLocal;
    if (!localtime_r(&t, &tmLocal))
        return std::string();
    char buf[64];
    snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", tmLocal.tm_year + 1900,
             tmLocal.tm_mon + 1, tmLocal.tm_mday, tmLocal.tm_hour, tmLocal.tm_min, tmLocal.tm_sec);
    return buf;
}

CIPhoneNotes::CIPhoneNotes() {}

int CIPhoneNotes::GetNotesInfo(const char* notesDbPath, std::vector<__NOTES__>& notes)
{
    m_strDbPath = QString::fromUtf8(notesDbPath ? notesDbPath : "");
    {
        CBackupConnection conn(m_strConnName, m_strDbPath);
        if (conn.IsOpen()) {
            QSqlQuery query(conn.Database());
            query.setForwardOnly(true);
            if (query.exec(kOldNotesQuery)) {
                while (query.next()) {
                    __NOTES__ note;
                    note.nDeleted = 0;
                    note.strDate = NoteLocalDate((long long)std::floor(query.value(0).toDouble()));
                    note.strTitle = CleanNoteText(query.value(1).toString());
                    note.strBody = CleanNoteText(query.value(2).toString());
                    if (!note.strTitle.empty() || !note.strBody.empty())
                        notes.push_back(std::move(note));
                }
            }
            query.clear();
            query.finish();
        }
    }
    SortNewestFirst(notes);
    return 0;
}

int CIPhoneNotes::GetNotesStoreInfo(const char* notesDbPath, std::vector<__NOTES__>& notes)
{
    m_strDbPath = QString::fromUtf8(notesDbPath ? notesDbPath : "");
    {
        CBackupConnection conn(m_strConnName, m_strDbPath);
        if (conn.IsOpen()) {
            const QStringList columns = conn.Columns("ZICCLOUDSYNCINGOBJECT");
            // The creation date moved between iOS versions; take the newest column
            // that holds a value.
            QStringList dateColumns;
            for (const char* name : {"ZCREATIONDATE3", "ZCREATIONDATE1", "ZCREATIONDATE"}) {
                if (columns.contains(name))
                    dateColumns << name;
            }
            const QString created = dateColumns.isEmpty()
                                        ? QString("NULL")
                                        : dateColumns.size() == 1
                                              ? dateColumns.first()
                                              : "COALESCE(" + dateColumns.join(", ") + ")";
            const QString deleted =
                columns.contains("ZMARKEDFORDELETION") ? "ZMARKEDFORDELETION" : "0";
            // Only note objects: the same table holds folders, accounts and attachments.
            QString where;
            if (conn.HasTable("Z_PRIMARYKEY") && columns.contains("Z_ENT")) {
                QSqlQuery ent(conn.Database());
                if (ent.exec("SELECT Z_ENT FROM Z_PRIMARYKEY WHERE Z_NAME = 'ICNote'") &&
                    ent.next())
                    where = QString(" WHERE Z_ENT = %1").arg(ent.value(0).toLongLong());
            }
            const QString sql =
                QString("SELECT ZTITLE1, ZSNIPPET, datetime(%1 + 978307200, 'unixepoch') AS "
                        "XFORMATTEDDATESTRING, %2 AS XDELETED FROM ZICCLOUDSYNCINGOBJECT%3 "
                        "order by XFORMATTEDDATESTRING desc")
                    .arg(created, deleted, where);
            QSqlQuery query(conn.Database());
            query.setForwardOnly(true);
            if (query.exec(sql)) {
                while (query.next()) {
                    __NOTES__ note;
                    note.nDeleted = query.value(3).toInt() == 1 ? 1 : 0;
                    note.strTitle = CleanNoteText(query.value(0).toString());
                    note.strBody = CleanNoteText(query.value(1).toString());
                    note.strDate = ValueText(query.value(2));
                    if (!note.strTitle.empty() || !note.strBody.empty())
                        notes.push_back(std::move(note));
                }
            }
            query.clear();
            query.finish();
        }
    }
    SortNewestFirst(notes);
    return 0;
}
