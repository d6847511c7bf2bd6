// CRecovery: message conversations and WhatsApp chats, one folder per conversation.
#include "export/Recovery.h"

#include <cerrno>

#include <QFileInfo>

#include "engine/Categories.h"
#include "engine/MessageConversation.h"
#include "export/ChatAttachments.h"
#include "export/DatabaseCopy.h"
#include "export/ExportFile.h"
#include "export/ExportNames.h"
#include "export/ExportText.h"
#include "export/JsonReports.h"
#include "support/Platform.h"

namespace {
const std::string kUnknown = "Unknown";

std::string WideToUtf8(const wchar_t* path)
{
    return path ? QString::fromWCharArray(path).toStdString() : std::string();
}

std::wstring Utf8ToWide(const std::string& path)
{
    return QString::fromStdString(path).toStdWString();
}

// "%10s: %s\n" without printf, so text holding NULs or '%' goes through as it is.
void AppendLabelled(std::string& out, const char* label, const std::string& value)
{
    const std::string l(label);
    if (l.size() < 10)
        out.append(10 - l.size(), ' ');
    out.append(l);
    out.append(": ");
    out.append(value);
    out.push_back('\n');
}

// Name with its number, unless the name is missing or the "Unknown" stand-in.
std::string WhoWithNumber(const std::string& name, const std::string& number)
{
    if (name.empty() || name == kUnknown)
        return number;
    return name + "(" + number + ")";
}

void AppendTextEntry(std::string& out, const char* label, const std::string& who, const std::string& date,
                     const std::string& text)
{
    AppendLabelled(out, label, who);
    AppendLabelled(out, "Data", date);
    AppendLabelled(out, "Content", text);
    out.push_back('\n');
}

void AppendChatEntry(std::string& out, bool fromMe, bool deleted, const std::string& name,
                     const std::string& fallback, const std::string& date, const std::string& text,
                     const std::vector<_MESSAGE_ATTACHMENT_>& files, CChatAttachments& attachments)
{
    out.append("<div class=\"date\">Date: ");
    AppendHtmlEscaped(out, date);
    if (fromMe) {
        out.append(" Me:</div>\r\n");
        out.append(deleted ? "<div class=\"del_send_msg\">" : "<div class=\"send_msg\">");
    } else {
        out.push_back(' ');
        AppendHtmlEscaped(out, name.empty() || name == kUnknown ? fallback : name);
        out.append(":</div>\r\n");
        out.append(deleted ? "<div class=\"del_recv_msg\">" : "<div class=\"recv_msg\">");
    }
    AppendHtmlEscaped(out, text);
    attachments.AppendHtml(out, files);
    out.append("</div>\r\n");
}

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

int FirstError(int a, int b)
{
    return a ? a : b;
}

// The chat's JSON beside its page: the page's name ending in ".json" (a free name).
std::string JsonBesidePage(const std::wstring& page)
{
    std::string path = QString::fromStdWString(page).toStdString();
    static const std::string kHtml = ".html";
    if (path.size() > kHtml.size() && path.compare(path.size() - kHtml.size(), kHtml.size(), kHtml) == 0)
        path.resize(path.size() - kHtml.size());
    return FreeFileName(path + ".json");
}

// Makes the conversation folder "<name>-<stamp>" under `parent`; empty on failure.
std::string MakeConversationDir(const QString& saveDir, int category, const std::string& name,
                                const QString& stamp, int* err)
{
    const std::string dir =
        (saveDir + "/" + CategoryFolder(category) + "/").toStdString() + SafeComponent(name, "-" + stamp.toStdString());
    errno = 0;
    if (!QmPlatform::MakeExportDir(QString::fromStdString(dir))) {
        *err = errno ? errno : ENOTDIR; // 0: a part of the path is not a folder
        return std::string();
    }
    *err = 0;
    return dir + "/";
}
}

int CRecovery::RecoveryMsg(const __MESSAGE_INFO__* first, const MessageMap* conversations)
{
    if (!first)
        return EINVAL;
    return RecoveryMsg(static_cast<unsigned int>(first->nHandleId), first, conversations);
}

int CRecovery::RecoveryMsg(unsigned int key, const __MESSAGE_INFO__* first, const MessageMap* conversations)
{
    if (!first)
        return EINVAL;
    // A group is named by its name alone: its members' numbers go into the page head,
    // not into a file name.
    const std::string& number = ConversationNumber(*first);
    const std::string name = ConversationName(*first).empty() ? kUnknown : ConversationName(*first);
    const std::string label = number.empty() || IsGroupMessage(*first) ? name : name + "(" + number + ")";
    int err = 0;
    const std::string dir = MakeConversationDir(m_strSaveDir, CATEGORY_MESSAGE, name, m_strTime, &err);
    if (dir.empty())
        return err;

    const std::wstring txt = Utf8ToWide(FreeFileName(dir + SafeComponent(label, ".txt", kFreeNameReserve)));
    int result = SaveSMSMessageTxt(key, txt.c_str(), conversations);

    std::string person = "Name: " + HtmlEscape(name) + ", Phone: " + HtmlEscape(number);
    m_strSmsPersonHead = m_strSmsHead;
    ReplaceForward(m_strSmsPersonHead, "{|person|}", person);

    const std::wstring html = Utf8ToWide(FreeFileName(dir + SafeComponent(label, ".html", kFreeNameReserve)));
    result = FirstError(result, SaveSMSMessage(key, html.c_str(), conversations));
    if (m_bJson)
        result = FirstError(result, WriteJsonReport(JsonBesidePage(html), ConversationJson("messages", name, number, m_jsonChat), true));
    return result;
}

int CRecovery::SaveSMSMessageTxt(unsigned int key, const wchar_t* path, const MessageMap* conversations)
{
    CExportFile file;
    if (int err = file.Create(WideToUtf8(path), true))
        return err;
    std::string entry;
    if (conversations) {
        auto it = conversations->find(key);
        if (it != conversations->end()) {
            for (const __MESSAGE_INFO__& m : it->second) {
                entry.clear();
                // A group entry names its sender ("Me" for the owner); a one-to-one entry
                // names the other party, as recipient of the owner's messages.
                const bool group = IsGroupMessage(m);
                AppendTextEntry(entry, m.nIsFromMe && !group ? "To" : "From",
                                group && m.nIsFromMe ? MessageSenderName(m)
                                                     : WhoWithNumber(m.strContactName, m.strSender),
                                m.strDate, TextWithAttachments(m.strText, m.vecAttachments));
                file.Write(entry);
            }
        }
    }
    return file.Finish();
}

int CRecovery::SaveSMSMessage(unsigned int key, const wchar_t* path, const MessageMap* conversations)
{
    CExportFile file;
    if (int err = file.Create(WideToUtf8(path), true))
        return err;
    m_strSmsContent.clear();
    m_jsonChat = QJsonArray();
    CChatAttachments attachments(FolderOf(WideToUtf8(path)));
    if (conversations) {
        auto it = conversations->find(key);
        if (it != conversations->end()) {
            for (const __MESSAGE_INFO__& m : it->second) {
                AppendChatEntry(m_strSmsContent, m.nIsFromMe != 0, m.nDeleted != 0, m.strContactName, m.strSender,
                                m.strDate, m.strText, m.vecAttachments, attachments);
                if (m_bJson)
                    m_jsonChat.append(ChatMessageJson(m.nIsFromMe != 0, m.nDeleted != 0, m.strContactName, m.strSender,
                                                      m.strDate, m.strText, attachments.LastPlaced()));
            }
        }
    }
    NoteAttachments(attachments);
    file.Write(m_strSmsPersonHead);
    file.Write(m_strSmsContent);
    file.Write(m_strSmsTail);
    return file.Finish();
}

void CRecovery::NoteAttachments(const CChatAttachments& attachments)
{
    m_nAttachmentsWritten += attachments.Written();
    m_vecAttachmentFailures.insert(m_vecAttachmentFailures.end(), attachments.Failures().begin(),
                                   attachments.Failures().end());
}

int CRecovery::TakeAttachmentsWritten(std::vector<std::pair<std::string, std::string>>* failures)
{
    const int written = m_nAttachmentsWritten;
    m_nAttachmentsWritten = 0;
    if (failures)
        failures->swap(m_vecAttachmentFailures);
    m_vecAttachmentFailures.clear();
    return written;
}

int CRecovery::SaveMessage()
{
    // Only beside conversations saved into this folder; a database already there (an
    // earlier export, perhaps of another phone) is kept and the copy takes a free name.
    const QString dir = m_strSaveDir + "/" + CategoryFolder(CATEGORY_MESSAGE);
    m_nDbCopyError = 0;
    if (!QFileInfo(dir).isDir())
        return 0;
    const std::string target = FreeFileName(dir.toStdString() + "/sms.db");
    m_nDbCopyError = EngineCopyMessageDatabase(m_pBackupFile, target);
    return m_nDbCopyError;
}

int CRecovery::RecoveryWhatsAppMsg(const __WHATSAPP_MESSAGE__* first, const WhatsAppMessageMap* chats)
{
    if (!first)
        return EINVAL;
    return RecoveryWhatsAppMsg(static_cast<unsigned int>(first->nChatId), first, chats);
}

int CRecovery::RecoveryWhatsAppMsg(unsigned int key, const __WHATSAPP_MESSAGE__* first,
                                   const WhatsAppMessageMap* chats)
{
    if (!first)
        return EINVAL;
    std::string name;
    if (first->strExtra1.find(',') != std::string::npos)
        name = first->strExtra3;
    else if (!first->strExtra1.empty())
        name = first->strExtra1 + "(" + first->strExtra2 + ")";
    else
        name = first->strExtra2;
    if (name.empty())
        name = kUnknown;
    int err = 0;
    const std::string dir = MakeConversationDir(m_strSaveDir, CATEGORY_WHATSAPP, name, m_strTime, &err);
    if (dir.empty())
        return err;

    const std::wstring txt = Utf8ToWide(FreeFileName(dir + SafeComponent(name, ".txt", kFreeNameReserve)));
    int result = SaveWhatsAppTxt(key, txt.c_str(), chats);

    std::string person = "Name: " + HtmlEscape(first->strExtra1) + ", Phone: " + HtmlEscape(first->strExtra2);
    m_strWhatsAppPersonHead = m_strWhatsAppHead;
    ReplaceForward(m_strWhatsAppPersonHead, "{|person|}", person);

    const std::wstring csv = Utf8ToWide(FreeFileName(dir + SafeComponent(name, ".csv", kFreeNameReserve)));
    result = FirstError(result, SaveWhatsAppCsv(key, csv.c_str(), chats));
    const std::wstring html = Utf8ToWide(FreeFileName(dir + SafeComponent(name, ".html", kFreeNameReserve)));
    result = FirstError(result, SaveWhatsApp(key, html.c_str(), chats));
    if (m_bJson)
        result = FirstError(result, WriteJsonReport(JsonBesidePage(html),
                                                    ConversationJson("whatsapp", first->strExtra1, first->strExtra2, m_jsonChat), true));
    return result;
}

int CRecovery::SaveWhatsAppTxt(unsigned int key, const wchar_t* path, const WhatsAppMessageMap* chats)
{
    CExportFile file;
    if (int err = file.Create(WideToUtf8(path), true))
        return err;
    std::string entry;
    if (chats) {
        auto it = chats->find(key);
        if (it != chats->end()) {
            for (const __WHATSAPP_MESSAGE__& m : it->second) {
                entry.clear();
                AppendTextEntry(entry, m.nIsFromMe ? "To" : "From", WhoWithNumber(m.strSenderName, m.strSenderId),
                                m.strDate, TextWithAttachments(m.strText, m.vecAttachments));
                file.Write(entry);
            }
        }
    }
    return file.Finish();
}

int CRecovery::SaveWhatsAppCsv(unsigned int key, const wchar_t* path, const WhatsAppMessageMap* chats)
{
    CExportFile file;
    if (int err = file.Create(WideToUtf8(path), true))
        return err;
    file.Write("Chats,Name/Phone,Date,Type,Content\n");
    std::string line;
    if (chats) {
        auto it = chats->find(key);
        if (it != chats->end()) {
            for (const __WHATSAPP_MESSAGE__& m : it->second) {
                line.clear();
                AppendCsvField(line, m.strSenderName);
                line.push_back(',');
                AppendCsvField(line, m.strSenderId);
                line.push_back(',');
                AppendCsvField(line, m.strDate);
                line.append(m.nIsFromMe ? ",Send," : ",Received,");
                AppendCsvField(line, TextWithAttachments(m.strText, m.vecAttachments));
                line.push_back('\n');
                file.Write(line);
            }
        }
    }
    return file.Finish();
}

int CRecovery::SaveWhatsApp(unsigned int key, const wchar_t* path, const WhatsAppMessageMap* chats)
{
    CExportFile file;
    if (int err = file.Create(WideToUtf8(path), true))
        return err;
    m_strWhatsAppContent.clear();
    m_jsonChat = QJsonArray();
    CChatAttachments attachments(FolderOf(WideToUtf8(path)));
    if (chats) {
        auto it = chats->find(key);
        if (it != chats->end()) {
            for (const __WHATSAPP_MESSAGE__& m : it->second) {
                AppendChatEntry(m_strWhatsAppContent, m.nIsFromMe != 0, m.nDeleted != 0, m.strSenderName,
                                m.strSenderId, m.strDate, m.strText, m.vecAttachments, attachments);
                if (m_bJson)
                    m_jsonChat.append(ChatMessageJson(m.nIsFromMe != 0, m.nDeleted != 0, m.strSenderName,
                                                      m.strSenderId, m.strDate, m.strText, attachments.LastPlaced()));
            }
        }
    }
    NoteAttachments(attachments);
    file.Write(m_strWhatsAppPersonHead);
    file.Write(m_strWhatsAppContent);
    file.Write(m_strWhatsAppTail);
    return file.Finish();
}
