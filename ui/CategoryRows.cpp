#include "ui/CategoryRows.h"

#include <QHeaderView>
#include <QStringList>
#include <QTableWidget>

#include "engine/ContactText.h"
#include "engine/MessageConversation.h"
#include "support/SysHelpers.h"

namespace CategoryRows {

namespace {

struct Row {
    QString cells[5];
    int nCells = 0;
    QVariant payload;
    bool bFlagged = false;
};

QString Text(const std::string& utf8)
{
    return QString::fromStdString(utf8);
}

QString JoinedLines(const std::vector<std::string>& lines)
{
    QStringList texts;
    for (const std::string& line : lines)
        texts << Text(line);
    return texts.join(QStringLiteral(", "));
}

// Builds `count` rows through rowAt(i, Row&). Items are made complete before
// they enter the table, so the model does no per-cell change work.
template <class RowAt>
int FillRows(QTableWidget* table, int count, const QIcon& icon, bool checkable, Qt::CheckState state,
             RowAt rowAt)
{
    if (!table)
        return 0;
    if (table->rowCount() > 0)
        return table->rowCount();

    const QIcon deleteIcon(QStringLiteral(":/image/delete.png"));
    const QBrush flaggedBrush(FlaggedColor());
    const bool sorting = table->isSortingEnabled();
    table->setSortingEnabled(false);
    table->setUpdatesEnabled(false);
    table->verticalHeader()->setDefaultSectionSize(kRowHeight);
    table->setRowCount(count);

    Row row;
    for (int i = 0; i < count; ++i) {
        row = Row();
        rowAt(i, row);
        for (int c = 0; c < row.nCells; ++c) {
            auto* item = new QTableWidgetItem(row.cells[c]);
            if (c == 0) {
                if (row.bFlagged)
                    item->setIcon(deleteIcon);
                else if (!icon.isNull())
                    item->setIcon(icon);
                item->setData(Qt::UserRole, row.payload);
                if (checkable)
                    item->setCheckState(state);
            }
            if (row.bFlagged)
                item->setForeground(flaggedBrush);
            table->setItem(i, c, item);
        }
    }

    table->setUpdatesEnabled(true);
    table->setSortingEnabled(sorting);
    return count;
}

template <class Map>
std::vector<unsigned> KeysFlaggedFirst(const Map& map)
{
    std::vector<unsigned> flagged, others;
    for (const auto& entry : map) {
        bool any = false;
        for (const auto& message : entry.second) {
            if (message.nDeleted != 0) {
                any = true;
                break;
            }
        }
        (any ? flagged : others).push_back(entry.first);
    }
    flagged.insert(flagged.end(), others.begin(), others.end());
    return flagged;
}

} // namespace

QColor FlaggedColor()
{
    return QColor(243, 115, 2);
}

QString SizeText(int nSize)
{
    return QString::fromStdString(GetFileSizeString(static_cast<long long>(static_cast<unsigned>(nSize))));
}

QString CallDurationText(const __CALLHISTORY__& call)
{
    if (call.nDuration == 0)
        return call.nAnswered == 0 ? QStringLiteral("Canceled") : QStringLiteral("Missed");
    return QString::fromStdString(GetTimeStringA(call.nDuration));
}

std::vector<unsigned> FlaggedFirstKeys(const MessageMap& conversations)
{
    return KeysFlaggedFirst(conversations);
}

std::vector<unsigned> FlaggedFirstKeys(const WhatsAppMessageMap& chats)
{
    return KeysFlaggedFirst(chats);
}

int FillCamera(QTableWidget* table, const CameraInfoVec& files, const QIcon& icon, Qt::CheckState state)
{
    // Rows stay in container order (the selection maps index it); the catalogue
    // already puts pictures from Recently Deleted first.
    return FillRows(table, int(files.size()), icon, true, state, [&](int i, Row& row) {
        const _IPHONE_CAMERA_INFO_& f = files[size_t(i)];
        row.cells[0] = Text(f.strFileName);
        row.cells[1] = SizeText(f.nSize);
        row.nCells = 2;
        row.payload = QVariant::fromValue(f);
        row.bFlagged = f.nDeleted != 0;
    });
}

int FillAppNames(QTableWidget* table, const AppFileMap& apps, const QIcon& icon, Qt::CheckState state)
{
    std::vector<const std::string*> names;
    names.reserve(apps.size());
    for (const auto& entry : apps)
        names.push_back(&entry.first);
    return FillRows(table, int(names.size()), icon, true, state, [&](int i, Row& row) {
        row.cells[0] = Text(*names[size_t(i)]);
        row.cells[1] = QStringLiteral("Folder");
        row.nCells = 2;
        row.payload = row.cells[0];
    });
}

int FillMessages(QTableWidget* table, const MessageMap& conversations, Qt::CheckState state)
{
    const std::vector<unsigned> keys = FlaggedFirstKeys(conversations);
    return FillRows(table, int(keys.size()), QIcon(), true, state, [&](int i, Row& row) {
        const unsigned key = keys[size_t(i)];
        const std::vector<__MESSAGE_INFO__>& messages = conversations.at(key);
        row.nCells = 4;
        row.payload = QVariant::fromValue(key);
        if (messages.empty())
            return;
        const __MESSAGE_INFO__& first = messages.front();
        row.cells[0] = Text(ConversationName(first));
        row.cells[1] = Text(ConversationNumber(first));
        row.cells[2] = Text(first.strDate);
        row.cells[3] = Text(first.strText);
        for (const __MESSAGE_INFO__& m : messages) {
            if (m.nDeleted != 0) {
                row.bFlagged = true;
                break;
            }
        }
    });
}

int FillAttachments(QTableWidget* table, const AttachmentVec& files, Qt::CheckState state)
{
    const QIcon icon(QStringLiteral(":/image/FileIcon/image.png"));
    return FillRows(table, int(files.size()), icon, true, state, [&](int i, Row& row) {
        const _IPHONE_ATTACHMENTS_& f = files[size_t(i)];
        row.cells[0] = Text(f.strFileName);
        row.cells[1] = SizeText(f.nSize);
        row.nCells = 2;
        row.payload = QVariant::fromValue(f);
    });
}

QString ContactPreviewText(const __PERSON_CONTENT__& p)
{
    QStringList lines{Text(p.strName)};
    auto add = [&lines](const std::vector<std::string>& more) {
        for (const std::string& line : more)
            lines << Text(line);
    };
    if (!HasContactValues(p)) {
        lines << Text(p.strPhone);
        for (const std::string* field : {&p.strCompany, &p.strSpare1, &p.strUrl, &p.strEmail}) {
            if (!field->empty())
                lines << Text(*field);
        }
        return lines.join(QLatin1Char('\n'));
    }
    add(ContactValueLines(p.vecPhones));
    if (!p.strCompany.empty())
        lines << Text(p.strCompany);
    add(ContactValueLines(p.vecEmails));
    add(ContactValueLines(p.vecUrls));
    add(ContactDetailLines(p));
    return lines.join(QLatin1Char('\n'));
}

int FillContacts(QTableWidget* table, const PersonContentVec& contacts, Qt::CheckState state)
{
    const std::vector<int> order = FlaggedFirst(contacts);
    const QIcon icon(QStringLiteral(":/image/contact.png"));
    return FillRows(table, int(order.size()), icon, true, state, [&](int i, Row& row) {
        const __PERSON_CONTENT__& p = contacts[size_t(order[size_t(i)])];
        row.cells[0] = Text(p.strName);
        row.cells[1] = Text(p.strCompany);
        if (HasContactValues(p)) {
            // One line per row: the values side by side, numbers with their labels.
            row.cells[2] = JoinedLines(ContactValueLines(p.vecPhones));
            row.cells[3] = Text(JoinContactValues(p.vecEmails)).replace(QLatin1Char('\n'), QStringLiteral(", "));
            row.cells[4] = Text(JoinContactValues(p.vecUrls)).replace(QLatin1Char('\n'), QStringLiteral(", "));
        } else {
            row.cells[2] = Text(p.strPhone);
            row.cells[3] = Text(p.strEmail);
            row.cells[4] = Text(p.strUrl);
        }
        row.nCells = 5;
        row.payload = QVariant::fromValue(p);
        row.bFlagged = p.nDeleted != 0;
    });
}

int FillCalls(QTableWidget* table, const CallHistoryVec& calls, Qt::CheckState state)
{
    const std::vector<int> order = FlaggedFirst(calls);
    const QIcon icon(QStringLiteral(":/image/phone.png"));
    return FillRows(table, int(order.size()), icon, true, state, [&](int i, Row& row) {
        const __CALLHISTORY__& c = calls[size_t(order[size_t(i)])];
        row.cells[0] = Text(c.strContactName);
        row.cells[1] = Text(c.strAddress);
        row.cells[2] = Text(c.strDate);
        row.cells[3] = c.nAnswered == 0 ? QStringLiteral("Outgoing") : QStringLiteral("Incoming");
        row.cells[4] = CallDurationText(c);
        row.nCells = 5;
        row.payload = QVariant::fromValue(c);
        row.bFlagged = c.nDeleted != 0;
    });
}

int FillNotes(QTableWidget* table, const NotesVec& notes, Qt::CheckState state)
{
    const std::vector<int> order = FlaggedFirst(notes);
    const QIcon icon(QStringLiteral(":/image/note.png"));
    return FillRows(table, int(order.size()), icon, true, state, [&](int i, Row& row) {
        const __NOTES__& n = notes[size_t(order[size_t(i)])];
        row.cells[0] = Text(n.strTitle);
        row.cells[1] = Text(n.strDate);
        row.cells[2] = Text(n.strBody);
        row.nCells = 3;
        row.payload = QVariant::fromValue(n);
        row.bFlagged = n.nDeleted != 0;
    });
}

int FillWhatsapp(QTableWidget* table, const WhatsAppMessageMap& chats, Qt::CheckState state)
{
    const std::vector<unsigned> keys = FlaggedFirstKeys(chats);
    const QIcon icon(QStringLiteral(":/image/FileIcon/image.png"));
    return FillRows(table, int(keys.size()), icon, true, state, [&](int i, Row& row) {
        const unsigned key = keys[size_t(i)];
        const std::vector<__WHATSAPP_MESSAGE__>& messages = chats.at(key);
        row.nCells = 3;
        row.payload = QVariant::fromValue(key);
        if (messages.empty())
            return;
        const __WHATSAPP_MESSAGE__& first = messages.front();
        row.cells[0] = Text(first.strExtra3);
        row.cells[1] = Text(first.strExtra1.empty() ? first.strSenderName : first.strExtra1);
        row.cells[2] = Text(first.strExtra2.empty() ? first.strSenderId : first.strExtra2);
        for (const __WHATSAPP_MESSAGE__& m : messages) {
            if (m.nDeleted != 0) {
                row.bFlagged = true;
                break;
            }
        }
    });
}

int FillWhatsappAttachments(QTableWidget* table, const WhatsAppAttachmentVec& files, Qt::CheckState state)
{
    const QIcon icon(QStringLiteral(":/image/FileIcon/image.png"));
    return FillRows(table, int(files.size()), icon, true, state, [&](int i, Row& row) {
        const _WHATSAPP_ATTACHMENTS_& f = files[size_t(i)];
        row.cells[0] = Text(f.strFileName);
        row.cells[1] = SizeText(f.nSize);
        row.nCells = 2;
        row.payload = QVariant::fromValue(f);
    });
}

int FillAppFiles(QTableWidget* table, const std::vector<_IPHONE_APP_FILE_INFO_>& files)
{
    if (!table)
        return 0;
    table->clearContents();
    table->setRowCount(0);
    const QIcon icon(QStringLiteral(":/image/FileIcon/image.png"));
    return FillRows(table, int(files.size()), icon, false, Qt::Unchecked, [&](int i, Row& row) {
        const _IPHONE_APP_FILE_INFO_& f = files[size_t(i)];
        row.cells[0] = Text(f.strFileName);
        row.cells[1] = SizeText(f.nSize);
        row.nCells = 2;
        row.payload = QVariant::fromValue(f);
    });
}

} // namespace CategoryRows
