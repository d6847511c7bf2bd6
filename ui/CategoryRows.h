// Rows of the category tables of the results page: what each row shows and
// carries, in which order, and how flagged (deleted) records stand out.
#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

#include <vector>

#include "engine/BackupRecords.h"

class QTableWidget;

namespace CategoryRows {

// Row height and cell text colour of flagged records.
constexpr int kRowHeight = 30;
QColor FlaggedColor();

// Size text of a media record; sizes are the low 32 bits of the file size.
QString SizeText(int nSize);

// The contact preview: name, every number with its label, company, e-mails,
// web addresses and the rest of the card, one per line. A record read from the
// full-text index alone shows its name, phone text, company, URL and e-mail.
QString ContactPreviewText(const __PERSON_CONTENT__& person);

// "Canceled"/"Missed" for calls without duration, else the duration text.
QString CallDurationText(const __CALLHISTORY__& call);

// Indices of `records` with the flagged ones (nDeleted != 0) first; each
// group keeps its order.
template <class T>
std::vector<int> FlaggedFirst(const std::vector<T>& records)
{
    std::vector<int> order;
    order.reserve(records.size());
    for (size_t i = 0; i < records.size(); ++i)
        if (records[i].nDeleted != 0)
            order.push_back(int(i));
    for (size_t i = 0; i < records.size(); ++i)
        if (records[i].nDeleted == 0)
            order.push_back(int(i));
    return order;
}

// Conversation (or chat) keys in key order, those holding a flagged message first.
std::vector<unsigned> FlaggedFirstKeys(const MessageMap& conversations);
std::vector<unsigned> FlaggedFirstKeys(const WhatsAppMessageMap& chats);

// Fillers: each appends nothing if the table already has rows, else gives it
// one row per record with column 0 checkable in `state` and carrying the row's
// record (or key) under Qt::UserRole. They return the number of rows.
// The rows of a records vector read their texts and record from it when asked
// instead of holding copies: a vector passed by reference must outlive them
// (the window's scan results go only after the page showing them), a
// temporary one is kept by the table.
int FillCamera(QTableWidget* table, const CameraInfoVec& files, const QIcon& icon, Qt::CheckState state);
int FillCamera(QTableWidget* table, CameraInfoVec&& files, const QIcon& icon, Qt::CheckState state);
int FillAppNames(QTableWidget* table, const AppFileMap& apps, const QIcon& icon, Qt::CheckState state);
int FillMessages(QTableWidget* table, const MessageMap& conversations, Qt::CheckState state);
int FillAttachments(QTableWidget* table, const AttachmentVec& files, Qt::CheckState state);
int FillAttachments(QTableWidget* table, AttachmentVec&& files, Qt::CheckState state);
int FillContacts(QTableWidget* table, const PersonContentVec& contacts, Qt::CheckState state);
int FillContacts(QTableWidget* table, PersonContentVec&& contacts, Qt::CheckState state);
int FillCalls(QTableWidget* table, const CallHistoryVec& calls, Qt::CheckState state);
int FillCalls(QTableWidget* table, CallHistoryVec&& calls, Qt::CheckState state);
int FillNotes(QTableWidget* table, const NotesVec& notes, Qt::CheckState state);
int FillNotes(QTableWidget* table, NotesVec&& notes, Qt::CheckState state);
int FillWhatsapp(QTableWidget* table, const WhatsAppMessageMap& chats, Qt::CheckState state);
int FillWhatsappAttachments(QTableWidget* table, const WhatsAppAttachmentVec& files, Qt::CheckState state);
int FillWhatsappAttachments(QTableWidget* table, WhatsAppAttachmentVec&& files, Qt::CheckState state);

// The files of one application (its list is replaced); row j is file j.
// Column 0 gets no check box here.
int FillAppFiles(QTableWidget* table, const std::vector<_IPHONE_APP_FILE_INFO_>& files);

} // namespace CategoryRows
