#include "extractors/CIPhoneWhatsApp.h"

#include <unordered_map>

#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QVariant>

#include "extractors/ExtractorSql.h"
#include "support/BackupRows.h"
#include "extractors/MessageAttachments.h"

unsigned int g_u32WhatsappColNumber = 23;

int select_result(void*, int columns, char**, char**)
{
    g_u32WhatsappColNumber = (unsigned int)columns;
    return 0;
}

namespace {

typedef std::unordered_map<std::string, std::string> NameMap;

// A partner name that is only a number says less than the person's own push name.
bool LooksLikePhoneNumber(const std::string& text)
{
    if (text.empty())
        return false;
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || c == '+' || c == ' ' || c == '-' || c == '(' ||
              c == ')'))
            return false;
    }
    return true;
}

std::string Lookup(const NameMap& names, const std::string& jid)
{
    if (jid.empty())
        return std::string();
    auto it = names.find(jid);
    return it == names.end() ? std::string() : it->second;
}

NameMap ReadNameTable(CBackupConnection& conn, const QString& table, const char* jidColumn,
                      const char* nameColumn)
{
    NameMap names;
    const QStringList columns = conn.Columns(table);
    if (!columns.contains(jidColumn) || !columns.contains(nameColumn))
        return names;
    QSqlQuery query(conn.Database());
    query.setForwardOnly(true);
    if (query.exec(QString("SELECT %1, %2 FROM %3").arg(jidColumn, nameColumn, table))) {
        while (query.next()) {
            std::string jid = ValueText(query.value(0));
            std::string name = ValueText(query.value(1));
            if (!jid.empty() && !name.empty())
                names.emplace(std::move(jid), std::move(name));
        }
    }
    return names;
}

const char kLidSuffix[] = "@lid";

bool IsLid(const std::string& jid)
{
    const size_t n = sizeof kLidSuffix - 1;
    return jid.size() > n && jid.compare(jid.size() - n, n, kLidSuffix) == 0;
}

// "@lid" id (the part before "@") -> phone JID, from WhatsApp's pairing table,
// which lives in LID.sqlite or, in some builds, in the chat database itself.
void ReadLidPairs(CBackupConnection& conn, NameMap& phones)
{
    const QStringList columns = conn.Columns("ZWAPHONENUMBERLIDPAIR");
    if (!columns.contains("ZLID") || !columns.contains("ZPHONENUMBER"))
        return;
    QSqlQuery query(conn.Database());
    query.setForwardOnly(true);
    if (!query.exec("SELECT ZLID, ZPHONENUMBER FROM ZWAPHONENUMBERLIDPAIR"))
        return;
    while (query.next()) {
        const std::string lid = JidUser(ValueText(query.value(0)));
        std::string phone = ValueText(query.value(1));
        if (lid.empty() || phone.empty())
            continue;
        // Stored as a JID or as a bare number, with or without "+".
        if (phone.find('@') == std::string::npos)
            phone = (phone[0] == '+' ? phone.substr(1) : phone) + "@s.whatsapp.net";
        phones.emplace(lid, std::move(phone));
    }
}

QString Column(const QStringList& columns, const char* alias, const char* name)
{
    return columns.contains(name) ? QString("%1.%2").arg(alias, name) : QString("NULL");
}

} // namespace

std::string JidUser(const std::string& jid)
{
    const size_t at = jid.find('@');
    return at == std::string::npos ? jid : jid.substr(0, at);
}

std::string WhatsAppMediaText(int messageType, const std::string& detail, bool hasMediaItem)
{
    const char* label = nullptr;
    switch (messageType) {
    case 1: label = "[image]"; break;
    case 2: label = "[video]"; break;
    case 3: label = "[audio]"; break;
    case 4: label = "[contact]"; break;
    case 5: label = "[location]"; break;
    case 7: label = "[link]"; break;
    case 8: label = "[document]"; break;
    case 11: label = "[GIF]"; break;
    case 14: label = "[deleted message]"; break;
    case 15: label = "[sticker]"; break;
    case 0:
    case 6:
    case 10:
        // Text without text, group events and system notices: nothing to show.
        label = nullptr;
        break;
    default:
        label = hasMediaItem ? "[media]" : nullptr;
        break;
    }
    if (!label)
        return std::string();
    return detail.empty() ? std::string(label) : std::string(label) + " " + detail;
}

std::string WhatsAppSystemText(int messageType, int groupEventType, const std::string& text)
{
    const char* notice = nullptr;
    if (messageType == 10)
        notice = "[system message]";
    else if (messageType == 6 || groupEventType != 0)
        notice = "[group event]";
    if (!notice)
        return std::string();
    return text.empty() ? std::string(notice) : std::string(notice) + " " + text;
}

CIPhoneWhatsApp::CIPhoneWhatsApp(unsigned int chatKeyBase, const std::string& titleSuffix)
    : m_nChatKeyBase(chatKeyBase), m_strTitleSuffix(titleSuffix)
{
}

void CIPhoneWhatsApp::ProbeColumns()
{
    CBackupConnection conn(m_strConnName, m_strDbPath);
    if (!conn.IsOpen())
        return;
    QSqlQuery query(conn.Database());
    query.setForwardOnly(true);
    if (query.exec("select * from ZWAMESSAGE")) {
        const int columns = query.record().count();
        if (columns > 0 && (unsigned int)columns > g_u32WhatsappColNumber)
            g_u32WhatsappColNumber = (unsigned int)columns;
    }
    query.clear();
    query.finish();
}

int CIPhoneWhatsApp::GetWhatsAppMessageInfo(
    const char* path, const char* contactsPath,
    std::map<unsigned int, std::vector<__WHATSAPP_MESSAGE__>>& conversations, const char* lidPath)
{
    m_strDbPath = QString::fromUtf8(path ? path : "");
    m_strContactsDbPath = QString::fromUtf8(contactsPath ? contactsPath : "");
    ProbeColumns();

    NameMap fullNames;
    if (!m_strContactsDbPath.isEmpty()) {
        CBackupConnection contacts(m_strContactsConnName, m_strContactsDbPath);
        if (contacts.IsOpen())
            fullNames = ReadNameTable(contacts, "ZWAADDRESSBOOKCONTACT", "ZWHATSAPPID", "ZFULLNAME");
    }

    NameMap lidPhones;
    if (lidPath && *lidPath) {
        CBackupConnection lids(m_strLidConnName, QString::fromUtf8(lidPath));
        if (lids.IsOpen())
            ReadLidPairs(lids, lidPhones);
    }

    CBackupConnection conn(m_strConnName, m_strDbPath);
    if (!conn.IsOpen())
        return 0;
    ReadLidPairs(conn, lidPhones);
    const QStringList msgCols = conn.Columns("ZWAMESSAGE");
    const QStringList chatCols = conn.Columns("ZWACHATSESSION");
    for (const char* needed : {"Z_PK", "ZCHATSESSION", "ZMESSAGEDATE"}) {
        if (!msgCols.contains(needed))
            return 0;
    }
    if (!chatCols.contains("Z_PK"))
        return 0;
    // Real push names live in their own table; ZWAMESSAGE.ZPUSHNAME holds encoded
    // data and is never shown.
    const NameMap pushNames = ReadNameTable(conn, "ZWAPROFILEPUSHNAME", "ZJID", "ZPUSHNAME");

    const QStringList memberCols = conn.Columns("ZWAGROUPMEMBER");
    const QStringList mediaCols = conn.Columns("ZWAMEDIAITEM");
    QString joins;
    const bool hasMembers = msgCols.contains("ZGROUPMEMBER") && memberCols.contains("Z_PK");
    if (hasMembers)
        joins += " LEFT JOIN ZWAGROUPMEMBER g ON g.Z_PK = m.ZGROUPMEMBER";
    bool hasMedia = false;
    if (msgCols.contains("ZMEDIAITEM") && mediaCols.contains("Z_PK")) {
        joins += " LEFT JOIN ZWAMEDIAITEM i ON i.Z_PK = m.ZMEDIAITEM";
        hasMedia = true;
    } else if (mediaCols.contains("ZMESSAGE") && mediaCols.contains("Z_PK")) {
        joins += " LEFT JOIN ZWAMEDIAITEM i ON i.Z_PK = (SELECT MIN(Z_PK) FROM ZWAMEDIAITEM "
                 "WHERE ZMESSAGE = m.Z_PK)";
        hasMedia = true;
    }
    const QStringList none;
    const QStringList& gCols = hasMembers ? memberCols : none;
    const QStringList& iCols = hasMedia ? mediaCols : none;

    const QString sql =
        QString("SELECT m.Z_PK, %1, datetime(m.ZMESSAGEDATE + 978307200, 'unixepoch'), %2, %3, "
                "%4, s.Z_PK, %5, %6, %7, %8, %9, %10, %11, %12, %13, %14, %15, %16, %17 "
                "FROM ZWAMESSAGE m JOIN ZWACHATSESSION s ON s.Z_PK = m.ZCHATSESSION%18 "
                "ORDER BY m.ZMESSAGEDATE DESC, m.Z_PK DESC")
            .arg(Column(msgCols, "m", "ZISFROMME"), Column(msgCols, "m", "ZTEXT"),
                 Column(msgCols, "m", "ZMESSAGETYPE"), Column(msgCols, "m", "ZFROMJID"),
                 Column(chatCols, "s", "ZCONTACTJID"), Column(chatCols, "s", "ZPARTNERNAME"),
                 Column(chatCols, "s", "ZGROUPINFO"), Column(chatCols, "s", "ZSESSIONTYPE"),
                 Column(gCols, "g", "ZMEMBERJID"))
            .arg(Column(gCols, "g", "ZCONTACTNAME"), Column(gCols, "g", "ZFIRSTNAME"),
                 Column(iCols, "i", "ZTITLE"), Column(iCols, "i", "ZLATITUDE"),
                 Column(iCols, "i", "ZLONGITUDE"), Column(iCols, "i", "ZVCARDNAME"),
                 Column(iCols, "i", "Z_PK"), Column(msgCols, "m", "ZGROUPEVENTTYPE"), joins);

    MessageAttachmentIndex mediaFiles = ReadWhatsAppMedia(conn, m_strMediaDomain);
    // Tens of thousands of rows: read straight from SQLite, not as QVariants.
    CBackupRows rows(m_strDbPath, sql);
    if (!rows.IsReady())
        return 0;

    auto nameOf = [&](const std::string& jid) {
        std::string name = Lookup(fullNames, jid);
        return name.empty() ? Lookup(pushNames, jid) : name;
    };
    // An "@lid" id stands for a phone number where the pairing table knows it.
    auto phoneJid = [&](const std::string& jid) {
        if (!IsLid(jid))
            return jid;
        const std::string phone = Lookup(lidPhones, JidUser(jid));
        return phone.empty() ? jid : phone;
    };
    auto personName = [&](const std::string& jid, const std::string& phone) {
        const std::string name = nameOf(phone);
        return name.empty() && phone != jid ? nameOf(jid) : name;
    };

    while (rows.Next()) {
        const qlonglong chatPk = rows.Int64(6);
        if (chatPk < 0 || chatPk > 0x3FFFFFFF)
            continue;
        const unsigned int key = m_nChatKeyBase + (unsigned int)chatPk;

        const std::string chatJid = phoneJid(rows.Text(7));
        const std::string partnerName = rows.Text(8);
        const bool isGroup = !rows.IsNull(9) || rows.Int(10) == 1 ||
                             chatJid.find("@g.us") != std::string::npos;

        const int type = rows.Int(4);
        std::string text = WhatsAppSystemText(type, rows.Int(19), rows.Text(3));
        if (text.empty())
            text = rows.Text(3);
        if (text.empty()) {
            std::string detail = rows.Text(14);
            if (type == 4 && detail.empty())
                detail = rows.Text(17);
            if (type == 5 && !rows.IsNull(15) && !rows.IsNull(16))
                detail = QString("%1, %2")
                             .arg(rows.Double(15), 0, 'f', 6)
                             .arg(rows.Double(16), 0, 'f', 6)
                             .toStdString();
            text = WhatsAppMediaText(type, detail, !rows.IsNull(18));
        }
        const auto files = mediaFiles.find(rows.Int64(0));
        // A row of no kind we know still belongs to its chat.
        if (text.empty() && files == mediaFiles.end())
            text = "[system message]";

        __WHATSAPP_MESSAGE__ msg;
        // Each message is one row, so its files are taken, not copied.
        if (files != mediaFiles.end())
            msg.vecAttachments = std::move(files->second);
        msg.nDeleted = 0;
        msg.nIsFromMe = rows.Int(1) != 0 ? 1 : 0;
        msg.nChatId = int(key);
        msg.strDate = rows.Text(2);
        msg.strText = std::move(text);
        if (msg.nIsFromMe) {
            msg.strSenderName = "Me";
        } else {
            const std::string rawFromJid = rows.Text(5);
            const std::string fromJid = phoneJid(rawFromJid);
            std::string senderJid, rawSenderJid;
            std::string name;
            if (isGroup) {
                rawSenderJid = rows.Text(11);
                if (rawSenderJid.empty() && fromJid != chatJid)
                    rawSenderJid = rawFromJid;
                senderJid = phoneJid(rawSenderJid);
                name = rows.Text(12);
                if (name.empty())
                    name = rows.Text(13);
                if (name.empty())
                    name = personName(rawSenderJid, senderJid);
            } else {
                rawSenderJid = rawFromJid.empty() ? rows.Text(7) : rawFromJid;
                senderJid = phoneJid(rawSenderJid);
                if (!LooksLikePhoneNumber(partnerName))
                    name = partnerName;
                if (name.empty())
                    name = personName(rawSenderJid, senderJid);
                if (name.empty())
                    name = partnerName;
            }
            msg.strSenderId = JidUser(senderJid);
            msg.strSenderName = name.empty() ? std::string("Unknown") : name;
        }
        msg.strExtra1 = partnerName.empty() ? nameOf(chatJid) : partnerName;
        msg.strExtra2 = JidUser(chatJid);
        msg.strExtra3 = (msg.strExtra1.empty() ? msg.strExtra2 : msg.strExtra1) + m_strTitleSuffix;
        conversations[key].push_back(std::move(msg));
    }
    return 0;
}
