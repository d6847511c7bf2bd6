#include "extractors/MessageAttachments.h"

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include "extractors/ExtractorSql.h"

namespace {

std::string LastComponent(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

QString ColumnOr(const QStringList& columns, const char* alias, const char* name)
{
    return columns.contains(name) ? QString("%1.%2").arg(alias, name) : QString("NULL");
}

// WhatsApp's message type of a document: its title is the file's name as sent.
const int kWhatsAppDocument = 8;

} // namespace

std::string SmsAttachmentManifestName(const std::string& filename)
{
    static const char* const homes[] = {"~/", "/var/mobile/", "/private/var/mobile/"};
    for (const char* home : homes) {
        const std::string prefix(home);
        if (filename.size() > prefix.size() && filename.compare(0, prefix.size(), prefix) == 0)
            return "MediaDomain-" + filename.substr(prefix.size());
    }
    return std::string();
}

MessageAttachmentIndex ReadSmsAttachments(CBackupConnection& conn)
{
    MessageAttachmentIndex index;
    const QStringList join = conn.Columns("message_attachment_join");
    const QStringList att = conn.Columns("attachment");
    if (!join.contains("message_id") || !join.contains("attachment_id") || !att.contains("filename"))
        return index;
    QSqlQuery query(conn.Database());
    query.setForwardOnly(true);
    const QString sql = QString("SELECT j.message_id, a.filename, %1, %2, %3 FROM message_attachment_join j "
                                "JOIN attachment a ON a.ROWID = j.attachment_id ORDER BY j.message_id, a.ROWID")
                            .arg(ColumnOr(att, "a", "mime_type"), ColumnOr(att, "a", "transfer_name"),
                                 ColumnOr(att, "a", "total_bytes"));
    if (!query.exec(sql))
        return index;
    while (query.next()) {
        _MESSAGE_ATTACHMENT_ a;
        const std::string filename = ValueText(query.value(1));
        a.strMimeType = ValueText(query.value(2));
        a.strName = ValueText(query.value(3));
        if (a.strName.empty())
            a.strName = LastComponent(filename);
        a.strManifestName = SmsAttachmentManifestName(filename);
        a.nSize = qMax(0LL, query.value(4).toLongLong());
        // A row with neither a file nor a name has nothing to show.
        if (!a.strName.empty() || !a.strManifestName.empty())
            index[query.value(0).toLongLong()].push_back(std::move(a));
    }
    return index;
}

MessageAttachmentIndex ReadWhatsAppMedia(CBackupConnection& conn, const std::string& mediaDomain)
{
    MessageAttachmentIndex index;
    const QStringList media = conn.Columns("ZWAMEDIAITEM");
    const QStringList msg = conn.Columns("ZWAMESSAGE");
    if (!media.contains("Z_PK") || !media.contains("ZMEDIALOCALPATH") || !msg.contains("Z_PK"))
        return index;
    // Messages point at their item on the builds seen so far; older ones only the other way.
    QString from;
    if (msg.contains("ZMEDIAITEM"))
        from = "ZWAMESSAGE m JOIN ZWAMEDIAITEM i ON i.Z_PK = m.ZMEDIAITEM";
    else if (media.contains("ZMESSAGE"))
        from = "ZWAMEDIAITEM i JOIN ZWAMESSAGE m ON m.Z_PK = i.ZMESSAGE";
    else
        return index;
    const QString sql = QString("SELECT m.Z_PK, i.ZMEDIALOCALPATH, %1, %2, %3 FROM %4 "
                                "WHERE i.ZMEDIALOCALPATH IS NOT NULL AND i.ZMEDIALOCALPATH <> ''")
                            .arg(ColumnOr(media, "i", "ZFILESIZE"), ColumnOr(media, "i", "ZTITLE"),
                                 ColumnOr(msg, "m", "ZMESSAGETYPE"), from);
    QSqlQuery query(conn.Database());
    query.setForwardOnly(true);
    if (!query.exec(sql))
        return index;
    while (query.next()) {
        std::string local = ValueText(query.value(1));
        while (!local.empty() && local.front() == '/')
            local.erase(0, 1);
        if (local.empty())
            continue;
        _MESSAGE_ATTACHMENT_ a;
        a.strManifestName = mediaDomain + "-Message/" + local;
        a.strName = LastComponent(local);
        const std::string title = ValueText(query.value(3));
        if (query.value(4).toInt() == kWhatsAppDocument && !title.empty()) {
            // The title is the name it was sent under; keep the stored file's extension.
            const size_t dot = a.strName.rfind('.');
            const std::string ext = dot == std::string::npos ? std::string() : a.strName.substr(dot);
            const bool hasExt = !ext.empty() && title.size() > ext.size() &&
                                QString::fromStdString(title).endsWith(QString::fromStdString(ext), Qt::CaseInsensitive);
            a.strName = hasExt || ext.empty() ? title : title + ext;
        }
        a.nSize = qMax(0LL, query.value(2).toLongLong());
        index[query.value(0).toLongLong()].push_back(std::move(a));
    }
    return index;
}
