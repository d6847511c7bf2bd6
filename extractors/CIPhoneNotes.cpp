#include "extractors/CIPhoneNotes.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <set>
#include <utility>
#include <strings.h>

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include "extractors/ExtractorSql.h"
#include "extractors/NoteBody.h"

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

void AppendNotes(std::vector<CIPhoneNotes::TimedNote>& read, std::vector<__NOTES__>& notes)
{
    notes.reserve(notes.size() + read.size());
    for (CIPhoneNotes::TimedNote& timed : read)
        notes.push_back(std::move(timed.note));
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

void CIPhoneNotes::ReadOldStore(const char* path, std::vector<TimedNote>& notes)
{
    m_strDbPath = QString::fromUtf8(path ? path : "");
    CBackupConnection conn(m_strConnName, m_strDbPath);
    if (!conn.IsOpen())
        return;
    QSqlQuery query(conn.Database());
    query.setForwardOnly(true);
    if (query.exec(kOldNotesQuery)) {
        while (query.next()) {
            TimedNote timed;
            timed.nCreated = (long long)std::floor(query.value(0).toDouble());
            __NOTES__& note = timed.note;
            note.nDeleted = 0;
            note.strDate = NoteLocalDate(timed.nCreated);
            note.strTitle = CleanNoteText(query.value(1).toString());
            note.strBody = CleanNoteText(query.value(2).toString());
            if (!note.strTitle.empty() || !note.strBody.empty())
                notes.push_back(std::move(timed));
        }
    }
    query.clear();
    query.finish();
}

void CIPhoneNotes::ReadNoteStore(const char* path, std::vector<TimedNote>& notes)
{
    m_strDbPath = QString::fromUtf8(path ? path : "");
    CBackupConnection conn(m_strConnName, m_strDbPath);
    if (!conn.IsOpen())
        return;
    const QStringList columns = conn.Columns("ZICCLOUDSYNCINGOBJECT");
    auto column = [&](const char* name, const char* missing) {
        return columns.contains(name) ? QString("o.") + name : QString(missing);
    };
    // The creation date moved between iOS versions; take the newest column
    // that holds a value.
    QStringList dateColumns;
    for (const char* name : {"ZCREATIONDATE3", "ZCREATIONDATE1", "ZCREATIONDATE"}) {
        if (columns.contains(name))
            dateColumns << QString("o.") + name;
    }
    const QString created = dateColumns.isEmpty()       ? QString("NULL")
                            : dateColumns.size() == 1 ? dateColumns.first()
                                                      : "COALESCE(" + dateColumns.join(", ") + ")";
    // Only note objects: the same table holds folders, accounts and attachments.
    QString where;
    if (conn.HasTable("Z_PRIMARYKEY") && columns.contains("Z_ENT")) {
        QSqlQuery ent(conn.Database());
        if (ent.exec("SELECT Z_ENT FROM Z_PRIMARYKEY WHERE Z_NAME = 'ICNote'") && ent.next())
            where = QString(" WHERE o.Z_ENT = %1").arg(ent.value(0).toLongLong());
    }
    // The whole text lives beside the object, one row per note.
    QString data = "NULL";
    QString join;
    const QStringList dataColumns = conn.Columns("ZICNOTEDATA");
    if (columns.contains("Z_PK") && dataColumns.contains("ZNOTE") && dataColumns.contains("ZDATA")) {
        data = "d.ZDATA";
        join = " LEFT JOIN ZICNOTEDATA d ON d.ZNOTE = o.Z_PK";
    }
    const QString sql =
        QString("SELECT o.ZTITLE1, %1, datetime(%2 + 978307200, 'unixepoch') AS XFORMATTEDDATESTRING, "
                "%3 AS XDELETED, %2 AS XCREATED, %4 AS XLOCKED, %5 AS XDATA, %6 AS XPK "
                "FROM ZICCLOUDSYNCINGOBJECT o%7%8 order by XFORMATTEDDATESTRING desc, XPK")
            .arg(column("ZSNIPPET", "NULL"), created, column("ZMARKEDFORDELETION", "0"),
                 column("ZISPASSWORDPROTECTED", "0"), data, column("Z_PK", "NULL"), join, where);
    QSqlQuery query(conn.Database());
    query.setForwardOnly(true);
    if (query.exec(sql)) {
        QVariant previousPk;
        while (query.next()) {
            // A damaged store with two data rows for one note lists it once.
            const QVariant pk = query.value(7);
            if (!pk.isNull() && pk == previousPk)
                continue;
            previousPk = pk;
            TimedNote timed;
            const QVariant createdValue = query.value(4);
            timed.nCreated = createdValue.isNull() ? LLONG_MIN : (long long)std::floor(createdValue.toDouble());
            __NOTES__& note = timed.note;
            note.nDeleted = query.value(3).toInt() == 1 ? 1 : 0;
            const QString title = query.value(0).toString();
            note.strTitle = CleanNoteText(title);
            note.strDate = ValueText(query.value(2));
            const QByteArray blob = query.value(6).toByteArray();
            std::string text;
            if (query.value(5).toInt() == 1 || IsLockedNoteData(blob))
                note.strBody = g_szLockedNoteBody;
            else if (DecodeNoteBody(blob, &text))
                note.strBody = NoteBodyText(QString::fromUtf8(text.data(), qsizetype(text.size())), title).toStdString();
            else
                note.strBody = CleanNoteText(query.value(1).toString());
            if (!note.strTitle.empty() || !note.strBody.empty())
                notes.push_back(std::move(timed));
        }
    }
    query.clear();
    query.finish();
}

int CIPhoneNotes::GetNotesInfo(const char* notesDbPath, std::vector<__NOTES__>& notes)
{
    std::vector<TimedNote> read;
    ReadOldStore(notesDbPath, read);
    AppendNotes(read, notes);
    SortNewestFirst(notes);
    return 0;
}

int CIPhoneNotes::GetNotesStoreInfo(const char* notesDbPath, std::vector<__NOTES__>& notes)
{
    std::vector<TimedNote> read;
    ReadNoteStore(notesDbPath, read);
    AppendNotes(read, notes);
    SortNewestFirst(notes);
    return 0;
}

int CIPhoneNotes::GetAllNotesInfo(const char* oldDbPath, const char* storeDbPath, std::vector<__NOTES__>& notes)
{
    std::vector<TimedNote> current;
    ReadNoteStore(storeDbPath, current);
    std::set<std::pair<std::string, long long>> seen;
    for (const TimedNote& n : current) {
        if (n.nCreated != LLONG_MIN)
            seen.emplace(n.note.strTitle, n.nCreated);
    }
    std::vector<TimedNote> old;
    ReadOldStore(oldDbPath, old);
    for (TimedNote& n : old) {
        // Migrated notes linger in the old file; the newer store holds them as they are now.
        if (!seen.count(std::make_pair(n.note.strTitle, n.nCreated)))
            current.push_back(std::move(n));
    }
    // Newest first by the time itself: the two stores print their dates in different zones.
    std::stable_sort(current.begin(), current.end(),
                     [](const TimedNote& a, const TimedNote& b) { return a.nCreated > b.nCreated; });
    AppendNotes(current, notes);
    return 0;
}
