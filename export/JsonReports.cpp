#include "export/JsonReports.h"

#include <QJsonDocument>
#include <QString>

#include "engine/ContactText.h"
#include "export/ExportFile.h"
#include "support/SysHelpers.h"

namespace {
QString Text(const std::string& s)
{
    return QString::fromStdString(s);
}

QJsonArray Lines(const std::vector<std::string>& lines)
{
    QJsonArray out;
    for (const std::string& line : lines)
        out.append(Text(line));
    return out;
}

// The cell of one text: its lines, none for an empty text.
QJsonArray LinesOf(const std::string& text)
{
    QJsonArray out;
    if (text.empty())
        return out;
    for (const QString& line : Text(text).split(QLatin1Char('\n')))
        out.append(line);
    return out;
}

QJsonArray Values(const std::vector<__CONTACT_VALUE__>& values)
{
    QJsonArray out;
    for (const __CONTACT_VALUE__& v : values) {
        QJsonObject o;
        o.insert(QStringLiteral("label"), Text(ContactLabelText(v.strLabel)));
        o.insert(QStringLiteral("value"), Text(v.strValue));
        out.append(o);
    }
    return out;
}

QJsonArray Addresses(const std::vector<__CONTACT_ADDRESS__>& addresses)
{
    QJsonArray out;
    for (const __CONTACT_ADDRESS__& a : addresses) {
        QJsonObject o;
        o.insert(QStringLiteral("label"), Text(ContactLabelText(a.strLabel)));
        o.insert(QStringLiteral("street"), Text(a.strStreet));
        o.insert(QStringLiteral("city"), Text(a.strCity));
        o.insert(QStringLiteral("state"), Text(a.strState));
        o.insert(QStringLiteral("zip"), Text(a.strZip));
        o.insert(QStringLiteral("country"), Text(a.strCountry));
        out.append(o);
    }
    return out;
}
}

QJsonObject ContactJson(const __PERSON_CONTENT__& p)
{
    QJsonObject o;
    o.insert(QStringLiteral("name"), Text(p.strName));
    if (HasContactValues(p)) {
        o.insert(QStringLiteral("phone"), Lines(ContactValueLines(p.vecPhones)));
        o.insert(QStringLiteral("email"), Lines(ContactValueLines(p.vecEmails)));
        o.insert(QStringLiteral("other"), Lines(ContactDetailLines(p)));
        o.insert(QStringLiteral("web_page"), Lines(ContactValueLines(p.vecUrls)));
    } else {
        o.insert(QStringLiteral("phone"), LinesOf(p.strPhone));
        o.insert(QStringLiteral("email"), LinesOf(p.strEmail));
        o.insert(QStringLiteral("other"), LinesOf(p.strSpare1));
        o.insert(QStringLiteral("web_page"), LinesOf(p.strUrl));
    }
    o.insert(QStringLiteral("extra"), Text(p.strSpare2));
    o.insert(QStringLiteral("company"), Text(p.strCompany));
    o.insert(QStringLiteral("deleted"), p.nDeleted != 0);

    QJsonObject parts;
    parts.insert(QStringLiteral("given"), Text(p.strGiven));
    parts.insert(QStringLiteral("middle"), Text(p.strMiddle));
    parts.insert(QStringLiteral("family"), Text(p.strFamily));
    parts.insert(QStringLiteral("prefix"), Text(p.strPrefix));
    parts.insert(QStringLiteral("suffix"), Text(p.strSuffix));
    parts.insert(QStringLiteral("nickname"), Text(p.strNickname));
    parts.insert(QStringLiteral("job_title"), Text(p.strTitle));
    parts.insert(QStringLiteral("department"), Text(p.strDepartment));
    parts.insert(QStringLiteral("note"), Text(p.strNote));
    parts.insert(QStringLiteral("birthday"), Text(p.strBirthday));
    parts.insert(QStringLiteral("phones"), Values(p.vecPhones));
    parts.insert(QStringLiteral("emails"), Values(p.vecEmails));
    parts.insert(QStringLiteral("urls"), Values(p.vecUrls));
    parts.insert(QStringLiteral("addresses"), Addresses(p.vecAddresses));
    o.insert(QStringLiteral("address_book"), parts);
    return o;
}

QJsonObject CallJson(const __CALLHISTORY__& call)
{
    QJsonObject o;
    o.insert(QStringLiteral("name"), Text(call.strContactName));
    o.insert(QStringLiteral("number"), Text(call.strAddress));
    o.insert(QStringLiteral("date"), Text(call.strDate));
    o.insert(QStringLiteral("type"), call.nAnswered ? QStringLiteral("Incoming") : QStringLiteral("Outgoing"));
    QString duration;
    if (call.nDuration)
        duration = Text(GetTimeStringA(call.nDuration));
    else
        duration = call.nAnswered ? QStringLiteral("Missed") : QStringLiteral("Canceled");
    o.insert(QStringLiteral("duration"), duration);
    o.insert(QStringLiteral("duration_seconds"), call.nDuration);
    o.insert(QStringLiteral("deleted"), call.nDeleted != 0);
    return o;
}

QJsonObject NoteJson(const __NOTES__& note)
{
    QJsonObject o;
    o.insert(QStringLiteral("title"), Text(note.strTitle));
    o.insert(QStringLiteral("date"), Text(note.strDate));
    o.insert(QStringLiteral("note"), Text(note.strBody));
    o.insert(QStringLiteral("deleted"), note.nDeleted != 0);
    return o;
}

QJsonObject ChatMessageJson(bool fromMe, bool deleted, const std::string& name, const std::string& number,
                            const std::string& date, const std::string& text,
                            const std::vector<CChatAttachments::Placed>& files)
{
    QJsonObject o;
    o.insert(QStringLiteral("date"), Text(date));
    o.insert(QStringLiteral("from_me"), fromMe);
    o.insert(QStringLiteral("deleted"), deleted);
    // The page names the other side by name, else by number; the owner as "Me".
    o.insert(QStringLiteral("sender"), fromMe ? QStringLiteral("Me") : Text(name.empty() || name == "Unknown" ? number : name));
    o.insert(QStringLiteral("name"), Text(name));
    o.insert(QStringLiteral("number"), Text(number));
    o.insert(QStringLiteral("text"), Text(text));
    QJsonArray attachments;
    for (const CChatAttachments::Placed& file : files) {
        QJsonObject a;
        a.insert(QStringLiteral("name"), Text(file.strName));
        if (file.strPath.empty())
            a.insert(QStringLiteral("missing"), Text(file.strMissing));
        else
            a.insert(QStringLiteral("path"), Text(file.strPath));
        if (!file.strPicture.empty())
            a.insert(QStringLiteral("picture"), Text(file.strPicture));
        attachments.append(a);
    }
    o.insert(QStringLiteral("attachments"), attachments);
    return o;
}

QJsonObject ConversationJson(const char* kind, const std::string& name, const std::string& number,
                             const QJsonArray& messages)
{
    QJsonObject o;
    o.insert(QStringLiteral("kind"), QString::fromLatin1(kind));
    o.insert(QStringLiteral("name"), Text(name));
    o.insert(QStringLiteral("number"), Text(number));
    o.insert(QStringLiteral("count"), messages.size());
    o.insert(QStringLiteral("messages"), messages);
    return o;
}

QJsonObject TableJson(const char* kind, const char* key, const QJsonArray& rows)
{
    QJsonObject o;
    o.insert(QStringLiteral("kind"), QString::fromLatin1(kind));
    o.insert(QStringLiteral("count"), rows.size());
    o.insert(QString::fromLatin1(key), rows);
    return o;
}

int WriteJsonReport(const std::string& path, const QJsonObject& object, bool exclusive)
{
    return WriteExportFile(path, QJsonDocument(object).toJson(QJsonDocument::Indented).toStdString(), exclusive);
}
