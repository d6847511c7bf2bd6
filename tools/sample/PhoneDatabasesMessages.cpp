// sms.db of a sample backup.
//
// Fixed rows (ROWIDs) the tests rely on:
//   handles 1 "+15551234567" (Ann Lee), 2 "ann@example.com", 3 "+4915112345678" (José),
//           4 "+19995550000" (nobody), 5 "5551234567" (a part of Ann's number)
//   chats   1 and 2: Ann by SMS and by iMessage; 3 group "Family, Friends 🎉" (handles 1, 3, 4);
//           4 nobody; 5 short number; 6 e-mail; 7 group without a name (handles 3, 4)
//   message 1  from Ann, in chats 1 AND 2, text with emoji, quotes, markup, comma, line break
//   message 2  from me to Ann, text NULL, body only in attributedBody
//   message 3  from Ann, text U+FFFC + "Look at this", a JPEG and a HEIC picture
//   message 4  from Ann, seconds-era date 600000000 (2020-01-06 10:40:00 UTC), a QuickTime movie
//   message 5  from me in the group, handle_id 0, a PDF "Trip plan.pdf"
//   message 6  from José in the group, a picture and a voice message "Audio Message.caf"
//   message 7  from nobody, no text and no attributedBody
//   message 8  from "5551234567"
//   message 9  from "ann@example.com"
//   message 10 from Ann, text only U+FFFC (attachments alone): a vCard, a text file whose
//              name holds spaces, quotes, "#" and "?" (sent as "../Notes #2 "draft"?.txt")
//              and an office document
//   message 11 from Ann, nanosecond date 600000000000000000 (2020-01-06 10:40:00 UTC), a
//              movie the database names but the backup does not hold
//   message 12 from Ann in group 3 (she has one-to-one chats too)
//   message 13 from me in group 7, handle_id 0
//   message 14 from nobody in group 7
//   message 6 is joined to group 7 as well (a message in two group chats)
// Generated attachments are pictures, movies, voice messages and documents; every one has
// its file in the backup except about one in fifty.
#include "tools/sample/PhoneDatabases.h"

#include <algorithm>
#include <set>

#include <QByteArray>
#include <QHash>

#include "tools/sample/SampleSqlite.h"

namespace {

const char* const kPhrases[] = {
    "See you at 7?",
    "On my way 🚗",
    "Thanks, that's great!",
    "Can you pick up milk, eggs, and bread?",
    "He said \"maybe\" 🙄",
    "Is 3 < 5? Yes.",
    "Ça va? Très bien, merci.",
    "Happy birthday!! 🎂🎉",
    "Running late\nsorry",
    "ok",
    "Meeting moved to Tuesday, 10:30",
    "<script>alert('x')</script> lol",
    "Grüße aus München",
    "Did you get my e-mail?",
    "lol 😂😂",
    "Call me when you can",
    "Price is $5 & tax, 50% off",
    "Let's go to the café tomorrow",
    "Where are you?",
    "👍",
};
const int kPhraseCount = int(sizeof kPhrases / sizeof *kPhrases);

const char kObjectReplacement[] = "\xEF\xBF\xBC";

QString Guid(PhoneRandom& rnd)
{
    const uint64_t a = rnd.Next(), b = rnd.Next();
    return QString("%1-%2-%3-%4-%5")
        .arg(uint(a >> 32), 8, 16, QChar('0'))
        .arg(uint((a >> 16) & 0xFFFF), 4, 16, QChar('0'))
        .arg(uint(a & 0xFFFF), 4, 16, QChar('0'))
        .arg(uint(b >> 48), 4, 16, QChar('0'))
        .arg(qulonglong(b & 0xFFFFFFFFFFFFULL), 12, 16, QChar('0'))
        .toUpper();
}

// Whether a reader shows the message: some text besides attachment places, or a
// body (every body the generator writes holds a phrase).
bool ShownText(const QVariant& text, const QVariant& body)
{
    if (!text.isNull())
        return !text.toString().remove(QChar(0xFFFC)).trimmed().isEmpty();
    return !body.isNull();
}

struct AttachmentPlan {
    QString fileName;      // on the phone's disk
    QString transferName;  // as it was sent
    SampleMediaKind kind;
    const char* uti;
    const char* mime;
    bool stored;
};

AttachmentPlan Plan(const QString& name, SampleMediaKind kind, bool stored = true)
{
    using K = SampleMediaKind;
    struct Type {
        K kind;
        const char* uti;
        const char* mime;
    };
    static const Type types[] = {
        {K::JpegJfif, "public.jpeg", "image/jpeg"},
        {K::JpegExif, "public.jpeg", "image/jpeg"},
        {K::Heic, "public.heic", "image/heic"},
        {K::Png, "public.png", "image/png"},
        {K::Gif, "com.compuserve.gif", "image/gif"},
        {K::QuickTime, "com.apple.quicktime-movie", "video/quicktime"},
        {K::Caf, "com.apple.coreaudio-format", "audio/x-caf"},
        {K::Amr, "org.3gpp.adaptive-multi-rate-audio", "audio/amr"},
        {K::Pdf, "com.adobe.pdf", "application/pdf"},
        {K::VCard, "public.vcard", "text/vcard"},
        {K::Text, "public.plain-text", "text/plain"},
        {K::Docx, "org.openxmlformats.wordprocessingml.document",
         "application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
    };
    for (const Type& t : types) {
        if (t.kind == kind)
            return {name, name, kind, t.uti, t.mime, stored};
    }
    return {name, name, kind, "public.data", "application/octet-stream", stored};
}

// The fixed messages' attachments (see the top of the file), by message and position.
bool FixedAttachment(qlonglong messageId, int k, bool unusualNames, AttachmentPlan* plan)
{
    using K = SampleMediaKind;
    switch (messageId * 10 + k) {
    case 30: *plan = Plan("IMG_4021.JPG", K::JpegExif); return true;
    case 31: *plan = Plan("IMG_4022.HEIC", K::Heic); return true;
    case 40: *plan = Plan("IMG_0420.MOV", K::QuickTime); return true;
    case 50: *plan = Plan("Trip plan.pdf", K::Pdf); return true;
    case 60: *plan = Plan("IMG_5001.jpeg", K::JpegJfif); return true;
    case 61: *plan = Plan("Audio Message.caf", K::Caf); return true;
    case 100: *plan = Plan("Anna Berg.vcf", K::VCard); return true;
    case 101:
        if (!unusualNames) {
            *plan = Plan("Notes 2 draft.txt", K::Text);
            return true;
        }
        *plan = Plan(QString::fromUtf8("Notes #2 \"draft\"?.txt"), K::Text);
        plan->transferName = "../" + plan->fileName;
        return true;
    case 102: *plan = Plan("Budget 2024.docx", K::Docx); return true;
    case 110: *plan = Plan("IMG_9999.MOV", K::QuickTime, false); return true;
    default: return false;
    }
}

AttachmentPlan GeneratedAttachment(PhoneRandom& rnd, qlonglong attId)
{
    using K = SampleMediaKind;
    const int pick = rnd.Below(100);
    const bool stored = !rnd.Chance(2);
    const QString n = QString::number(attId);
    if (pick < 25) return Plan(QString("IMG_%1.jpeg").arg(attId, 4, 10, QChar('0')), K::JpegJfif, stored);
    if (pick < 40) return Plan(QString("IMG_%1.JPG").arg(attId, 4, 10, QChar('0')), K::JpegExif, stored);
    if (pick < 55) return Plan(QString("IMG_%1.HEIC").arg(attId, 4, 10, QChar('0')), K::Heic, stored);
    if (pick < 65) return Plan(QString("IMG_%1.MOV").arg(attId, 4, 10, QChar('0')), K::QuickTime, stored);
    if (pick < 70) return Plan(QString("image%1.png").arg(n), K::Png, stored);
    if (pick < 73) return Plan(QString("giphy%1.gif").arg(n), K::Gif, stored);
    if (pick < 83) return Plan("Audio Message.caf", K::Caf, stored);
    if (pick < 86) return Plan(QString("Voice %1.amr").arg(n), K::Amr, stored);
    if (pick < 92) return Plan(QString("Document %1.pdf").arg(n), K::Pdf, stored);
    if (pick < 98) return Plan(QString("Contact %1.vcf").arg(n), K::VCard, stored);
    return Plan(QString("Report %1.docx").arg(n), K::Docx, stored);
}

struct Chat {
    qlonglong rowId;
    QList<qlonglong> handles; // one for a one-to-one chat
    bool group;
};

} // namespace

bool WriteSmsDatabase(const QString& path, const PhoneDataScale& scale, uint64_t seed,
                      bool newFormat, QString* error, SmsExpectation* expect,
                      std::vector<SampleLinkedFile>* files, bool unusualNames)
{
    if (expect)
        *expect = SmsExpectation();
    CSampleSqlite db(path);
    const QString joinDate = newFormat ? ", message_date INTEGER DEFAULT 0" : "";
    db.ExecAll({
        "CREATE TABLE _SqliteDatabaseProperties (key TEXT, value TEXT, UNIQUE(key))",
        "CREATE TABLE handle (ROWID INTEGER PRIMARY KEY AUTOINCREMENT UNIQUE, id TEXT NOT NULL, "
        "country TEXT, service TEXT NOT NULL, uncanonicalized_id TEXT, person_centric_id TEXT, "
        "UNIQUE (id, service))",
        "CREATE TABLE message (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, guid TEXT UNIQUE NOT NULL, "
        "text TEXT, replace INTEGER DEFAULT 0, service_center TEXT, handle_id INTEGER DEFAULT 0, "
        "subject TEXT, country TEXT, attributedBody BLOB, version INTEGER DEFAULT 0, "
        "type INTEGER DEFAULT 0, service TEXT, account TEXT, account_guid TEXT, "
        "error INTEGER DEFAULT 0, date INTEGER, date_read INTEGER, date_delivered INTEGER, "
        "is_delivered INTEGER DEFAULT 0, is_finished INTEGER DEFAULT 0, "
        "is_from_me INTEGER DEFAULT 0, is_read INTEGER DEFAULT 0, is_sent INTEGER DEFAULT 0, "
        "cache_has_attachments INTEGER DEFAULT 0, cache_roomnames TEXT, "
        "associated_message_guid TEXT, associated_message_type INTEGER DEFAULT 0)",
        "CREATE TABLE chat (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, guid TEXT UNIQUE NOT NULL, "
        "style INTEGER, state INTEGER, account_id TEXT, properties BLOB, chat_identifier TEXT, "
        "service_name TEXT, room_name TEXT, account_login TEXT, is_archived INTEGER DEFAULT 0, "
        "last_addressed_handle TEXT, display_name TEXT, group_id TEXT)",
        "CREATE TABLE chat_message_join (chat_id INTEGER REFERENCES chat (ROWID) ON DELETE CASCADE, "
        "message_id INTEGER REFERENCES message (ROWID) ON DELETE CASCADE" + joinDate +
            ", PRIMARY KEY (chat_id, message_id))",
        "CREATE TABLE chat_handle_join (chat_id INTEGER REFERENCES chat (ROWID) ON DELETE CASCADE, "
        "handle_id INTEGER REFERENCES handle (ROWID) ON DELETE CASCADE, UNIQUE(chat_id, handle_id))",
        "CREATE TABLE attachment (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, guid TEXT UNIQUE NOT NULL, "
        "created_date INTEGER DEFAULT 0, start_date INTEGER DEFAULT 0, filename TEXT, uti TEXT, "
        "mime_type TEXT, transfer_state INTEGER DEFAULT 0, is_outgoing INTEGER DEFAULT 0, "
        "user_info BLOB, transfer_name TEXT, total_bytes INTEGER DEFAULT 0)",
        "CREATE TABLE message_attachment_join (message_id INTEGER REFERENCES message (ROWID) ON "
        "DELETE CASCADE, attachment_id INTEGER REFERENCES attachment (ROWID) ON DELETE CASCADE, "
        "UNIQUE(message_id, attachment_id))",
        "CREATE INDEX chat_message_join_idx_message_id_only ON chat_message_join(message_id)",
        "CREATE INDEX message_idx_handle ON message(handle_id, date)",
        "INSERT INTO _SqliteDatabaseProperties VALUES ('counter_in_all', '0')",
    });

    PhoneRandom rnd(seed ^ 0x5A5A1234ULL);
    const std::vector<SamplePerson> people = SamplePeople(scale, seed);

    QSqlQuery insHandle = db.Prepare(
        "INSERT INTO handle (ROWID, id, country, service, uncanonicalized_id) VALUES (?, ?, ?, ?, ?)");
    QSqlQuery insChat = db.Prepare(
        "INSERT INTO chat (ROWID, guid, style, state, chat_identifier, service_name, room_name, "
        "display_name, group_id) VALUES (?, ?, ?, 3, ?, ?, ?, ?, ?)");
    QSqlQuery insChatHandle = db.Prepare("INSERT INTO chat_handle_join VALUES (?, ?)");
    QSqlQuery insMessage = db.Prepare(
        "INSERT INTO message (ROWID, guid, text, handle_id, attributedBody, service, account, "
        "date, date_read, date_delivered, is_delivered, is_finished, is_from_me, is_read, is_sent, "
        "cache_has_attachments) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 1, 1, ?, ?, ?, ?)");
    const QString joinSql = newFormat ? "INSERT INTO chat_message_join VALUES (?, ?, ?)"
                                      : "INSERT INTO chat_message_join VALUES (?, ?)";
    QSqlQuery insJoin = db.Prepare(joinSql);
    QSqlQuery insAttachment = db.Prepare(
        "INSERT INTO attachment (ROWID, guid, created_date, start_date, filename, uti, mime_type, "
        "transfer_state, is_outgoing, transfer_name, total_bytes) VALUES (?, ?, ?, ?, ?, ?, ?, 5, ?, ?, ?)");
    QSqlQuery insAttJoin = db.Prepare("INSERT INTO message_attachment_join VALUES (?, ?)");

    // Handles.
    qlonglong nextHandle = 1;
    QHash<QString, qlonglong> handleIds;
    auto addHandle = [&](const QString& id, const QString& service) {
        const qlonglong rowId = nextHandle++;
        handleIds.insert(service + ":" + id, rowId);
        db.Insert(insHandle, {rowId, id, id.contains('@') ? QVariant() : QVariant("us"), service, id});
        return rowId;
    };
    addHandle("+15551234567", "SMS");
    addHandle("ann@example.com", "iMessage");
    addHandle("+4915112345678", "iMessage");
    addHandle("+19995550000", "SMS");
    addHandle("5551234567", "SMS");

    // Chats.
    std::vector<Chat> chats;
    qlonglong nextChat = 1;
    auto addChat = [&](const QList<qlonglong>& handles, const QString& identifier,
                       const QString& service, const QString& displayName) {
        Chat chat{nextChat++, handles, handles.size() > 1 || displayName.size() > 0};
        const QString room = chat.group ? QString("chat%1").arg(100000 + chat.rowId) : QString();
        db.Insert(insChat, {chat.rowId, QString("%1;%2;%3").arg(service, chat.group ? "+" : "-", chat.group ? room : identifier),
                            chat.group ? 43 : 45, chat.group ? room : identifier, service,
                            chat.group ? QVariant(room) : QVariant(),
                            displayName.isEmpty() ? QVariant() : QVariant(displayName), Guid(rnd)});
        for (qlonglong h : handles)
            db.Insert(insChatHandle, {chat.rowId, h});
        chats.push_back(chat);
        return chat.rowId;
    };
    addChat({1}, "+15551234567", "SMS", "");
    addChat({1}, "+15551234567", "iMessage", "");
    addChat({1, 3, 4}, "", "iMessage", QString::fromUtf8("Family, Friends 🎉"));
    addChat({4}, "+19995550000", "SMS", "");
    addChat({5}, "5551234567", "SMS", "");
    addChat({2}, "ann@example.com", "iMessage", "");
    addChat({3, 4}, "", "iMessage", "");

    // Dates: nanoseconds since 2001 on newer phones, seconds on older ones.
    const qlonglong base = 567993600; // 2019-01-01 00:00:00 UTC
    auto dateValue = [&](qlonglong seconds, bool forceSeconds) -> qlonglong {
        return (newFormat && !forceSeconds) ? seconds * 1000000000LL + rnd.Below(1000000000) : seconds;
    };

    auto joinChat = [&](qlonglong chatId, qlonglong messageId, qlonglong date) {
        if (newFormat)
            db.Insert(insJoin, {chatId, messageId, date});
        else
            db.Insert(insJoin, {chatId, messageId});
    };
    // Conversations a reader should show: group chats by chat, the rest by handle.
    std::set<std::pair<bool, qlonglong>> conversations;
    qlonglong nextMessage = 1;
    qlonglong nextAttachment = 1;
    auto addMessage = [&](qlonglong chatId, qlonglong handleId, bool fromMe, const QVariant& text,
                          const QVariant& body, qlonglong date, int attachments) {
        const qlonglong rowId = nextMessage++;
        const Chat& chat = chats[size_t(chatId - 1)];
        const QString service = chat.group || chatId == 2 || chatId == 6 ? "iMessage" : "SMS";
        db.Insert(insMessage, {rowId, Guid(rnd), text, handleId, body, service,
                               fromMe ? QVariant("e:me@example.com") : QVariant(), date,
                               fromMe ? 0 : date, date, fromMe ? 1 : 0, 1, fromMe ? 1 : 0,
                               attachments > 0 ? 1 : 0});
        joinChat(chatId, rowId, date);
        if (expect && (ShownText(text, body) || attachments > 0)) {
            ++expect->nMessages;
            conversations.insert({chat.group, chat.group ? chatId : handleId});
        }
        for (int k = 0; k < attachments; ++k) {
            const qlonglong attId = nextAttachment++;
            const QString guid = Guid(rnd);
            AttachmentPlan plan;
            if (!FixedAttachment(rowId, k, unusualNames, &plan))
                plan = GeneratedAttachment(rnd, attId);
            const QString folder = QString("Library/SMS/Attachments/%1/%2/%3/")
                                       .arg(attId % 256, 2, 16, QChar('0'))
                                       .arg(attId % 100, 2, 10, QChar('0'))
                                       .arg(guid);
            db.Insert(insAttachment,
                      {attId, guid, date / (newFormat ? 1000000000LL : 1), date / (newFormat ? 1000000000LL : 1),
                       "~/" + folder + plan.fileName, plan.uti, plan.mime, fromMe ? 1 : 0, plan.transferName,
                       1024 + rnd.Below(7000)});
            if (files)
                files->push_back({"MediaDomain", folder + plan.fileName, plan.kind, plan.stored});
            db.Insert(insAttJoin, {rowId, attId});
        }
        return rowId;
    };
    const QByteArray noBody;
    auto blob = [](const std::string& text) {
        return QVariant(QByteArray(text.data(), int(text.size())));
    };
    const QString ffc = QString::fromUtf8(kObjectReplacement);

    // Fixed messages 1 to 11.
    const qlonglong m1 = addMessage(1, 1, false,
                                    QString::fromUtf8("Hi, it's Ann 😀 \"quotes\" & <b>tags</b>\nsecond line"),
                                    QVariant(), dateValue(base + 100, false), 0);
    joinChat(2, m1, 0);
    addMessage(1, 1, true, QVariant(), blob(EncodeTypedStreamText("Sent from attributedBody ✓")),
               dateValue(base + 200, false), 0);
    addMessage(1, 1, false, ffc + "Look at this", QVariant(), dateValue(base + 300, false), 2);
    addMessage(1, 1, false, "Old seconds-era message", QVariant(), 600000000, 1);
    addMessage(3, 0, true, "Me in the group", QVariant(), dateValue(base + 500, false), 1);
    addMessage(3, 3, false, QString::fromUtf8("José in the group"), QVariant(), dateValue(base + 600, false), 2);
    addMessage(4, 4, false, QVariant(), QVariant(), dateValue(base + 700, false), 0);
    addMessage(5, 5, false, "Short number matches Ann too", QVariant(), dateValue(base + 800, false), 0);
    addMessage(6, 2, false, "From e-mail", QVariant(), dateValue(base + 900, false), 0);
    addMessage(1, 1, false, ffc, QVariant(), dateValue(base + 1000, false), 3);
    addMessage(1, 1, false, "Nanosecond-era message", QVariant(),
               newFormat ? 600000000000000000LL : 600000000LL, 1);
    addMessage(3, 1, false, "Ann in the family group", QVariant(), dateValue(base + 1100, false), 0);
    addMessage(7, 0, true, "Me in the unnamed group", QVariant(), dateValue(base + 1200, false), 0);
    addMessage(7, 4, false, "Stranger in the unnamed group", QVariant(), dateValue(base + 1300, false), 0);
    joinChat(7, 6, 0);

    // Generated conversations: one-to-one chats with people (a few strangers and
    // e-mail addresses), then group chats among them.
    const int fixedChats = int(chats.size());
    for (int c = 0; c < scale.nConversations; ++c) {
        QString id;
        const int pick = rnd.Below(100);
        if (pick < 5) {
            id = QString("+1999%1").arg(1000000 + c, 7, 10, QChar('0'));
        } else if (pick < 8) {
            id = QString("friend%1@example.com").arg(c);
        } else {
            const SamplePerson& p = people[size_t(6 + c) % people.size()];
            id = p.vecNumbers.isEmpty() ? QString("+1888%1").arg(1000000 + c, 7, 10, QChar('0'))
                                        : p.vecNumbers.first();
        }
        // Numbers may repeat across people; keep handles unique per service.
        const QString service = id.contains('@') ? "iMessage" : "SMS";
        const qlonglong handle = handleIds.contains(service + ":" + id)
                                     ? handleIds.value(service + ":" + id)
                                     : addHandle(id, service);
        addChat({handle}, id, service, "");
    }
    const int oneToOne = int(chats.size());
    for (int g = 0; g < scale.nGroupChats; ++g) {
        QList<qlonglong> members;
        const int n = 3 + rnd.Below(4);
        for (int k = 0; k < n; ++k) {
            const qlonglong h = 1 + rnd.Below(int(nextHandle - 1));
            if (!members.contains(h))
                members << h;
        }
        if (members.size() < 2)
            members << 1 << 3;
        addChat(members, "", "iMessage",
                g % 3 == 0 ? QString::fromUtf8("Team <%1> & co, 🎯").arg(g) : QString());
    }

    for (qlonglong i = nextMessage; i <= scale.nMessages; ++i) {
        const bool group = scale.nGroupChats > 0 && rnd.Chance(15);
        const int chatIndex = group ? oneToOne + rnd.Below(int(chats.size()) - oneToOne)
                                    : (oneToOne > fixedChats ? fixedChats + rnd.Below(oneToOne - fixedChats)
                                                             : rnd.Below(fixedChats));
        const Chat& chat = chats[size_t(chatIndex)];
        bool fromMe = rnd.Chance(group ? 30 : 50);
        qlonglong handle = chat.group ? (fromMe ? 0 : chat.handles[rnd.Below(int(chat.handles.size()))])
                                      : chat.handles.first();
        const qlonglong seconds = base + qlonglong(i) * 400 + rnd.Below(300);
        const bool oldRow = newFormat && rnd.Chance(2);
        const int kind = rnd.Below(100);
        QVariant text, body;
        int attachments = 0;
        const QString phrase = QString::fromUtf8(kPhrases[rnd.Below(kPhraseCount)]);
        if (kind < 3) {
            body = blob(EncodeTypedStreamText(phrase.toStdString()));
        } else if (kind < 6) {
            attachments = 1;
            text = rnd.Chance(50) ? ffc : ffc + phrase;
        } else {
            text = phrase;
        }
        addMessage(chat.rowId, handle, fromMe, text, body, dateValue(seconds, oldRow), attachments);
    }

    if (expect) {
        expect->nConversations = int(conversations.size());
        expect->nGroupConversations = int(std::count_if(conversations.begin(), conversations.end(),
                                                        [](const std::pair<bool, qlonglong>& c) { return c.first; }));
    }
    if (!db.Finish()) {
        if (error)
            *error = "sms.db: " + db.Error();
        return false;
    }
    return true;
}
