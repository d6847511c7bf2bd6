// CRecovery: the contacts, call-history and notes reports.
#include "export/Recovery.h"

#include <cerrno>

#include <QFile>

#include "engine/Categories.h"
#include "engine/ContactText.h"
#include "export/DatabaseCopy.h"
#include "export/ExportFile.h"
#include "export/ExportText.h"
#include "export/JsonReports.h"
#include "export/VCardWriter.h"
#include "support/ExportTree.h"
#include "support/Platform.h"
#include "support/SysHelpers.h"

namespace {
void AppendCell(std::string& row, const std::string& value)
{
    row.append("<td>");
    AppendHtmlEscaped(row, value);
    row.append("</td>");
}

// One cell of several lines, each escaped, "<br />" between them.
void AppendLinesCell(std::string& row, const std::vector<std::string>& lines)
{
    row.append("<td>");
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i)
            row.append("<br />");
        AppendHtmlEscaped(row, lines[i]);
    }
    row.append("</td>");
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (;;) {
        const std::size_t lf = text.find('\n', start);
        lines.push_back(text.substr(start, lf == std::string::npos ? std::string::npos : lf - start));
        if (lf == std::string::npos)
            return lines;
        start = lf + 1;
    }
}

// Head, rows and tail as one file replacing any report of the same run stamp.
int WriteReport(const QString& path, const std::string& head, const std::string& rows, const std::string& tail)
{
    CExportFile file;
    if (int err = file.Create(path.toStdString(), false))
        return err;
    file.Write(head);
    file.Write(rows);
    file.Write(tail);
    return file.Finish();
}

int MakeDir(const QString& dir)
{
    errno = 0;
    if (QmPlatform::MakeExportDir(dir))
        return 0;
    return errno ? errno : ENOTDIR; // 0: a part of the path is not a folder
}
}

void CRecovery::RecoveryContacts(const __PERSON_CONTENT__* person)
{
    if (!person)
        return;
    MakeDir(ContactsDir());
    std::string& row = m_strContactsRows;
    row.append("\t<tr>");
    AppendCell(row, person->strName);
    if (HasContactValues(*person)) {
        // Each value with its label, one per line.
        AppendLinesCell(row, ContactValueLines(person->vecPhones));
        AppendLinesCell(row, ContactValueLines(person->vecEmails));
        AppendLinesCell(row, ContactDetailLines(*person));
        AppendLinesCell(row, ContactValueLines(person->vecUrls));
    } else {
        // Each number escaped on its own; the line breaks between them become "<br />".
        AppendLinesCell(row, SplitLines(person->strPhone));
        AppendCell(row, person->strEmail);
        AppendCell(row, person->strSpare1);
        AppendCell(row, person->strUrl);
    }
    AppendCell(row, person->strSpare2);
    AppendCell(row, person->strCompany);
    row.append("</tr>\r\n");
    AppendVCard(m_strContactsCards, *person);
    if (m_bJson)
        m_jsonContacts.append(ContactJson(*person));
}

int CRecovery::SaveContacts()
{
    if (int err = MakeDir(ContactsDir()))
        return err;
    return WriteReport(ContactsDir() + QStringLiteral("/Contacts.html"), m_strContactsHead, m_strContactsRows,
                       m_strContactsTail);
}

int CRecovery::SaveContactsVcf()
{
    if (int err = MakeDir(ContactsDir()))
        return err;
    return WriteExportFile((ContactsDir() + QStringLiteral("/Contacts.vcf")).toStdString(), m_strContactsCards, false);
}

long CRecovery::SaveContactsCsv()
{
    m_nDbCopyError = MakeDir(ContactsDir());
    if (m_nDbCopyError)
        return 0;
    const QString target = ContactsDir() + QStringLiteral("/Contacts.db");
    // Never through a link planted in the destination.
    RemoveExportFile(QFile::encodeName(target).toStdString());
    m_nDbCopyError = EngineCopyContactsDatabase(m_pBackupFile, target.toStdString());
    return 0;
}

void CRecovery::RecoveryCallHistory(const __CALLHISTORY__* call)
{
    if (!call)
        return;
    MakeDir(m_strSaveDir + "/" + CategoryFolder(CATEGORY_CALL_HISTORY));
    std::string& row = m_strCallRows;
    row.append("\t<tr>");
    AppendCell(row, call->strContactName);
    AppendCell(row, call->strAddress);
    AppendCell(row, call->strDate);
    row.append(call->nAnswered ? "<td>Incoming</td>" : "<td>Outgoing</td>");
    if (call->nDuration)
        AppendCell(row, GetTimeStringA(call->nDuration));
    else
        row.append(call->nAnswered ? "<td>Missed</td>" : "<td>Canceled</td>");
    row.append("</tr>\r\n");
    if (m_bJson)
        m_jsonCalls.append(CallJson(*call));
}

int CRecovery::SaveCallHistory()
{
    if (int err = MakeDir(m_strSaveDir + "/" + CategoryFolder(CATEGORY_CALL_HISTORY)))
        return err;
    return WriteReport(CallHistoryPath(), m_strCallHead, m_strCallRows, m_strCallTail);
}

void CRecovery::RecoveryNotes(const __NOTES__* note)
{
    if (!note)
        return;
    MakeDir(m_strSaveDir + "/" + CategoryFolder(CATEGORY_NOTES));
    std::string& row = m_strNotesRows;
    row.append("\t<tr>");
    AppendCell(row, note->strTitle);
    AppendCell(row, note->strDate);
    AppendCell(row, note->strBody);
    row.append("</tr>\r\n");
    if (m_bJson)
        m_jsonNotes.append(NoteJson(*note));
}

int CRecovery::SaveNotes()
{
    if (int err = MakeDir(m_strSaveDir + "/" + CategoryFolder(CATEGORY_NOTES)))
        return err;
    return WriteReport(NotesPath(), m_strNotesHead, m_strNotesRows, m_strNotesTail);
}

namespace {
// The JSON report beside an HTML one: the same name ending in ".json".
std::string JsonBeside(const QString& htmlPath)
{
    QString path = htmlPath;
    if (path.endsWith(QStringLiteral(".html")))
        path.chop(5);
    return (path + QStringLiteral(".json")).toStdString();
}
}

int CRecovery::SaveContactsJson()
{
    if (int err = MakeDir(ContactsDir()))
        return err;
    return WriteJsonReport((ContactsDir() + QStringLiteral("/Contacts.json")).toStdString(),
                           TableJson("contacts", "contacts", m_jsonContacts), false);
}

int CRecovery::SaveCallHistoryJson()
{
    if (int err = MakeDir(m_strSaveDir + "/" + CategoryFolder(CATEGORY_CALL_HISTORY)))
        return err;
    return WriteJsonReport(JsonBeside(CallHistoryPath()), TableJson("call_history", "calls", m_jsonCalls), false);
}

int CRecovery::SaveNotesJson()
{
    if (int err = MakeDir(m_strSaveDir + "/" + CategoryFolder(CATEGORY_NOTES)))
        return err;
    return WriteJsonReport(JsonBeside(NotesPath()), TableJson("notes", "notes", m_jsonNotes), false);
}
