// Small helpers shared by the export tests.
#pragma once

#include <string>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>

#include "engine/BackupRecords.h"

inline std::string ReadAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::string("<missing ") + path.toStdString() + ">";
    return f.readAll().toStdString();
}

inline bool WriteText(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text) == text.size();
}

// Every file under `root`, relative, sorted.
inline QStringList FilesUnder(const QString& root)
{
    QStringList out;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(root).relativeFilePath(it.next());
    out.sort();
    return out;
}

// FilesUnder without the manifest-<stamp>.json every run writes at the top of its folder.
inline QStringList ExportedFiles(const QString& root)
{
    static const QRegularExpression manifest(QStringLiteral("(^|/)manifest-\\d{14}(\\(\\d+\\))?\\.json$"));
    QStringList files = FilesUnder(root);
    files.removeIf([](const QString& f) { return manifest.match(f).hasMatch(); });
    return files;
}

// Records with the fields the chat pages and reports show.
inline __MESSAGE_INFO__ Msg(int key, int fromMe, const std::string& sender, const std::string& name,
                            const std::string& text, const std::string& date = "2020-01-02 03:04:05", int deleted = 0)
{
    __MESSAGE_INFO__ m;
    m.nDeleted = deleted;
    m.nIsFromMe = fromMe;
    m.nHandleId = key;
    m.strDate = date;
    m.strSender = sender;
    m.strContactName = name;
    m.strText = text;
    return m;
}

inline __WHATSAPP_MESSAGE__ Wa(int chat, int fromMe, const std::string& senderName, const std::string& senderId,
                               const std::string& text)
{
    __WHATSAPP_MESSAGE__ m;
    m.nIsFromMe = fromMe;
    m.nChatId = chat;
    m.strDate = "2021-06-07 08:09:10";
    m.strSenderName = senderName;
    m.strSenderId = senderId;
    m.strText = text;
    return m;
}

inline __PERSON_CONTENT__ TestContact(const std::string& name, const std::string& phone, const std::string& email = {},
                                      const std::string& company = {}, const std::string& url = {})
{
    __PERSON_CONTENT__ p;
    p.strName = name;
    p.strPhone = phone;
    p.strEmail = email;
    p.strCompany = company;
    p.strUrl = url;
    return p;
}

// Templates with visible markers, so tests can check head, rows and tail exactly.
inline void WriteTestTemplates(const QString& root)
{
    WriteText(root + "/template/Sms.html", "<h>{|title|}|{|person|}</h>\n{|content|}<end/>");
    WriteText(root + "/template/WhatsApp.html", "<w>{|title|}|{|person|}</w>\n{|content|}<end/>");
    WriteText(root + "/template/contacts.html", "<c>{|title|}</c><table>{|content|}</table>");
    WriteText(root + "/template/CallHistory.html", "<k>{|title|}</k><table>{|content|}</table>");
    WriteText(root + "/template/Notes.html", "<n>{|title|}</n><table>{|content|}</table>");
}
