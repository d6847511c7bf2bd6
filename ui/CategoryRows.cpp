#include "ui/CategoryRows.h"

#include <QHeaderView>
#include <QStringList>
#include <QTableWidget>

#include "engine/ContactText.h"
#include "engine/MessageConversation.h"
#include "support/SysHelpers.h"
#include "ui/RecordCell.h"

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

// One fill of an empty table: sorting, painting and the model's per-cell
// signals are off while its cells go in (the view asks for what it shows when
// it paints next), and every cell gets the same look.
class TableFill {
public:
    TableFill(QTableWidget* table, int count, const QIcon& icon, bool checkable, Qt::CheckState state)
        : m_pTable(table),
          m_icon(icon),
          m_deleteIcon(QStringLiteral(":/image/delete.png")),
          m_flaggedBrush(FlaggedColor()),
          m_bCheckable(checkable),
          m_state(state),
          m_bSorting(table->isSortingEnabled())
    {
        table->setSortingEnabled(false);
        table->setUpdatesEnabled(false);
        table->verticalHeader()->setDefaultSectionSize(kRowHeight);
        table->setRowCount(count);
        m_bSignals = table->model()->blockSignals(true);
    }
    ~TableFill()
    {
        m_pTable->model()->blockSignals(m_bSignals);
        m_pTable->setUpdatesEnabled(true);
        m_pTable->setSortingEnabled(m_bSorting);
        m_pTable->viewport()->update();
    }

    // Column 0 carries the icon, the tick and (when given) the payload.
    void Put(int row, int column, QTableWidgetItem* item, bool flagged, const QVariant& payload = QVariant())
    {
        if (column == 0) {
            if (flagged)
                item->setIcon(m_deleteIcon);
            else if (!m_icon.isNull())
                item->setIcon(m_icon);
            if (payload.isValid())
                item->setData(Qt::UserRole, payload);
            if (m_bCheckable)
                item->setCheckState(m_state);
        }
        if (flagged)
            item->setForeground(m_flaggedBrush);
        m_pTable->setItem(row, column, item);
    }

private:
    QTableWidget* m_pTable;
    QIcon m_icon;
    QIcon m_deleteIcon;
    QBrush m_flaggedBrush;
    bool m_bCheckable;
    Qt::CheckState m_state;
    bool m_bSorting;
    bool m_bSignals = false;
};

// Builds `count` rows through rowAt(i, Row&), each cell holding its text.
template <class RowAt>
int FillRows(QTableWidget* table, int count, const QIcon& icon, bool checkable, Qt::CheckState state,
             RowAt rowAt)
{
    if (!table)
        return 0;
    if (table->rowCount() > 0)
        return table->rowCount();

    TableFill fill(table, count, icon, checkable, state);
    Row row;
    for (int i = 0; i < count; ++i) {
        row = Row();
        rowAt(i, row);
        for (int c = 0; c < row.nCells; ++c)
            fill.Put(i, c, new QTableWidgetItem(row.cells[c]), row.bFlagged, row.payload);
    }
    return count;
}

// Builds one row per entry of `order` (indices into `records`) whose `columns`
// cells read their text through cellText(record, column) and their record from
// `records` when asked, instead of holding copies.
template <class Vec, class CellText, class Flagged>
int FillRecordRows(QTableWidget* table, std::shared_ptr<const Vec> records, const std::vector<int>& order, int columns,
                   const QIcon& icon, Qt::CheckState state, CellText cellText, Flagged flagged)
{
    if (!table)
        return 0;
    if (table->rowCount() > 0)
        return table->rowCount();
    // Sources of rows a caller cleared away go before the new one comes.
    for (RowSource* old : table->findChildren<RowSource*>(QString(), Qt::FindDirectChildrenOnly))
        delete old;

    const Vec& vec = *records;
    const auto* source = new VectorSource<Vec, CellText>(table, std::move(records), std::move(cellText));
    const int count = int(order.size());
    TableFill fill(table, count, icon, true, state);
    for (int i = 0; i < count; ++i) {
        const int record = order[size_t(i)];
        const bool isFlagged = flagged(vec[size_t(record)]);
        for (int c = 0; c < columns; ++c)
            fill.Put(i, c, new RecordCell(source, record, c), isFlagged);
    }
    return count;
}

// Every index of `records`, in container order.
template <class Vec>
std::vector<int> InOrder(const Vec& records)
{
    std::vector<int> order(records.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    return order;
}

template <class T>
bool IsFlagged(const T& record)
{
    return record.nDeleted != 0;
}

template <class T>
bool NeverFlagged(const T&)
{
    return false;
}

// A media file's row: its name and its size.
template <class T>
QString MediaCell(const T& file, int column)
{
    return column == 0 ? Text(file.strFileName) : SizeText(file.nSize);
}

// Media files in container order (the selection maps index it).
template <class Vec, class Flagged>
int FillMedia(QTableWidget* table, std::shared_ptr<const Vec> files, const QIcon& icon, Qt::CheckState state,
              Flagged flagged)
{
    const std::vector<int> order = InOrder(*files);
    return FillRecordRows(table, std::move(files), order, 2, icon, state, MediaCell<typename Vec::value_type>, flagged);
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
    return FillMedia(table, Borrowed(files), icon, state, IsFlagged<_IPHONE_CAMERA_INFO_>);
}

int FillCamera(QTableWidget* table, CameraInfoVec&& files, const QIcon& icon, Qt::CheckState state)
{
    return FillMedia(table, Owned(std::move(files)), icon, state, IsFlagged<_IPHONE_CAMERA_INFO_>);
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
    return FillMedia(table, Borrowed(files), QIcon(QStringLiteral(":/image/FileIcon/image.png")), state,
                     NeverFlagged<_IPHONE_ATTACHMENTS_>);
}

int FillAttachments(QTableWidget* table, AttachmentVec&& files, Qt::CheckState state)
{
    return FillMedia(table, Owned(std::move(files)), QIcon(QStringLiteral(":/image/FileIcon/image.png")), state,
                     NeverFlagged<_IPHONE_ATTACHMENTS_>);
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

namespace {

QString ContactCell(const __PERSON_CONTENT__& p, int column)
{
    const bool labelled = HasContactValues(p);
    switch (column) {
    case 0: return Text(p.strName);
    case 1: return Text(p.strCompany);
    // One line per row: the values side by side, numbers with their labels.
    case 2: return labelled ? JoinedLines(ContactValueLines(p.vecPhones)) : Text(p.strPhone);
    case 3:
        return labelled ? Text(JoinContactValues(p.vecEmails)).replace(QLatin1Char('\n'), QStringLiteral(", "))
                        : Text(p.strEmail);
    case 4:
        return labelled ? Text(JoinContactValues(p.vecUrls)).replace(QLatin1Char('\n'), QStringLiteral(", "))
                        : Text(p.strUrl);
    default: return QString();
    }
}

QString CallCell(const __CALLHISTORY__& c, int column)
{
    switch (column) {
    case 0: return Text(c.strContactName);
    case 1: return Text(c.strAddress);
    case 2: return Text(c.strDate);
    case 3: return c.nAnswered == 0 ? QStringLiteral("Outgoing") : QStringLiteral("Incoming");
    case 4: return CallDurationText(c);
    default: return QString();
    }
}

QString NoteCell(const __NOTES__& n, int column)
{
    switch (column) {
    case 0: return Text(n.strTitle);
    case 1: return Text(n.strDate);
    case 2: return Text(n.strBody);
    default: return QString();
    }
}

// Records with the flagged ones first.
template <class Vec, class CellText>
int FillFlaggedFirst(QTableWidget* table, std::shared_ptr<const Vec> records, int columns, const char* icon,
                     Qt::CheckState state, CellText cellText)
{
    const std::vector<int> order = FlaggedFirst(*records);
    return FillRecordRows(table, std::move(records), order, columns, QIcon(QString::fromLatin1(icon)), state, cellText,
                          IsFlagged<typename Vec::value_type>);
}

} // namespace

int FillContacts(QTableWidget* table, const PersonContentVec& contacts, Qt::CheckState state)
{
    return FillFlaggedFirst(table, Borrowed(contacts), 5, ":/image/contact.png", state, ContactCell);
}

int FillContacts(QTableWidget* table, PersonContentVec&& contacts, Qt::CheckState state)
{
    return FillFlaggedFirst(table, Owned(std::move(contacts)), 5, ":/image/contact.png", state, ContactCell);
}

int FillCalls(QTableWidget* table, const CallHistoryVec& calls, Qt::CheckState state)
{
    return FillFlaggedFirst(table, Borrowed(calls), 5, ":/image/phone.png", state, CallCell);
}

int FillCalls(QTableWidget* table, CallHistoryVec&& calls, Qt::CheckState state)
{
    return FillFlaggedFirst(table, Owned(std::move(calls)), 5, ":/image/phone.png", state, CallCell);
}

int FillNotes(QTableWidget* table, const NotesVec& notes, Qt::CheckState state)
{
    return FillFlaggedFirst(table, Borrowed(notes), 3, ":/image/note.png", state, NoteCell);
}

int FillNotes(QTableWidget* table, NotesVec&& notes, Qt::CheckState state)
{
    return FillFlaggedFirst(table, Owned(std::move(notes)), 3, ":/image/note.png", state, NoteCell);
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
    return FillMedia(table, Borrowed(files), QIcon(QStringLiteral(":/image/FileIcon/image.png")), state,
                     NeverFlagged<_WHATSAPP_ATTACHMENTS_>);
}

int FillWhatsappAttachments(QTableWidget* table, WhatsAppAttachmentVec&& files, Qt::CheckState state)
{
    return FillMedia(table, Owned(std::move(files)), QIcon(QStringLiteral(":/image/FileIcon/image.png")), state,
                     NeverFlagged<_WHATSAPP_ATTACHMENTS_>);
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
