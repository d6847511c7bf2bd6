// The JSON forms of the reports, for other programs: the same records and the same
// fields the HTML tables and chat pages show, UTF-8, one object per row or message.
#pragma once

#include <string>
#include <vector>

#include <QJsonArray>
#include <QJsonObject>

#include "engine/BackupRecords.h"
#include "export/ChatAttachments.h"

// A contact as the table's columns show it ("name", "phone", "email", "other",
// "web_page", "extra", "company": the multi-line cells as arrays of lines), plus the
// labelled values and parts the address book holds.
QJsonObject ContactJson(const __PERSON_CONTENT__& person);
// {"name", "number", "date", "type", "duration", "duration_seconds", "deleted"}
QJsonObject CallJson(const __CALLHISTORY__& call);
// {"title", "date", "note", "deleted"}
QJsonObject NoteJson(const __NOTES__& note);

// One message of a chat page: {"date", "from_me", "deleted", "sender", "number",
// "text", "attachments": [{"name", "path" | "missing", "picture"?}]}; paths are
// relative to the page's folder.
QJsonObject ChatMessageJson(bool fromMe, bool deleted, const std::string& name, const std::string& number,
                            const std::string& date, const std::string& text,
                            const std::vector<CChatAttachments::Placed>& files);

// {"kind", "name", "number", "count", "messages"}
QJsonObject ConversationJson(const char* kind, const std::string& name, const std::string& number,
                             const QJsonArray& messages);
// {"kind", "count", "<key>": rows}
QJsonObject TableJson(const char* kind, const char* key, const QJsonArray& rows);

// Writes `object` (indented) as one export file; see CExportFile for `exclusive`.
// Returns 0 or errno.
int WriteJsonReport(const std::string& path, const QJsonObject& object, bool exclusive);
