// CRecovery set-up: run stamp and report templates.
#include "export/Recovery.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <QDateTime>

#include "engine/Categories.h"
#include "export/DatabaseCopy.h"
#include "export/ExportText.h"
#include "support/Platform.h"

namespace {
struct TemplateKind {
    const char* szName;
    const char* szTitlePrefix;
};

const TemplateKind kKinds[] = {
    {"/template/CallHistory.html", "iPhone's Call History of "},
    {"/template/Notes.html", "iPhone's Notes of "},
    {"/template/contacts.html", "iPhone's Contacts of "},
    {"/template/Sms.html", "iPhone's Messages of "},
    {"/template/WhatsApp.html", "iPhone's WhatsApp Messages of "},
};

int ReadWholeFile(FILE* f, std::string& out)
{
    std::string text;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        text.append(buf, n);
    if (std::ferror(f))
        return EIO;
    out.swap(text);
    return 0;
}
}

CRecovery::CRecovery() = default;
CRecovery::~CRecovery() = default;

void CRecovery::Init(QString folder, CIphoneBackupFile* backupFile)
{
    m_strSaveDir = folder;
    m_pBackupFile = backupFile;
    m_strTime = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmmss"));
    LoadAllTemplateFile();
}

int CRecovery::LoadAllTemplateFile()
{
    int result = 0;
    for (const TemplateKind& kind : kKinds)
        result = LoadTemplateFile(kind.szName);
    return result;
}

int CRecovery::LoadTemplateFile(const char* name)
{
    if (!name)
        return EINVAL;
    const QString root = m_strTemplateRoot.isEmpty() ? QmPlatform::ProgramDataDir() : m_strTemplateRoot;
    const std::string path = root.toStdString() + name;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return errno;

    std::string* whole = nullptr;
    std::string* head = nullptr;
    std::string* tail = nullptr;
    const char* prefix = nullptr;
    if (!std::strcmp(name, kKinds[0].szName)) {
        whole = &m_strCallTemplate, head = &m_strCallHead, tail = &m_strCallTail, prefix = kKinds[0].szTitlePrefix;
    } else if (!std::strcmp(name, kKinds[1].szName)) {
        whole = &m_strNotesTemplate, head = &m_strNotesHead, tail = &m_strNotesTail, prefix = kKinds[1].szTitlePrefix;
    } else if (!std::strcmp(name, kKinds[2].szName)) {
        whole = &m_strContactsTemplate, head = &m_strContactsHead, tail = &m_strContactsTail,
        prefix = kKinds[2].szTitlePrefix;
    } else if (!std::strcmp(name, kKinds[3].szName)) {
        whole = &m_strSmsTemplate, head = &m_strSmsHead, tail = &m_strSmsTail, prefix = kKinds[3].szTitlePrefix;
    } else if (!std::strcmp(name, kKinds[4].szName)) {
        whole = &m_strWhatsAppTemplate, head = &m_strWhatsAppHead, tail = &m_strWhatsAppTail,
        prefix = kKinds[4].szTitlePrefix;
    }
    int result = 0;
    if (whole) {
        // A second load of the same kind keeps the text read first.
        if (whole->empty())
            result = ReadWholeFile(f, *whole);
        if (!result) {
            const std::string title = prefix + HtmlEscape(EngineDeviceName(m_pBackupFile));
            SplitTemplate(*whole, title, *head, *tail);
        }
    }
    std::fclose(f);
    return result;
}

QString CRecovery::ContactsDir() const
{
    return m_strSaveDir + "/" + CategoryFolder(CATEGORY_CONTACTS) + "/" + m_strTime;
}

QString CRecovery::CallHistoryPath() const
{
    return m_strSaveDir + "/" + CategoryFolder(CATEGORY_CALL_HISTORY) + "/CallHistory_" + m_strTime
        + QStringLiteral(".html");
}

QString CRecovery::NotesPath() const
{
    return m_strSaveDir + "/" + CategoryFolder(CATEGORY_NOTES) + "/Notes_" + m_strTime + QStringLiteral(".html");
}
