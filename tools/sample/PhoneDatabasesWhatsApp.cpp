// WhatsApp databases of a sample backup: ChatStorage.sqlite (and the Business
// twin) and ContactsV2.sqlite.
//
// ChatStorage fixed chats (Z_PK):
//   1 one-to-one "15551234567@s.whatsapp.net", partner "Ann Lee"
//   2 group "120363000000000001@g.us", subject "Family, Friends 🎉"; members:
//     1 Ann (ZCONTACTNAME "Ann Lee"), 2 José (named only in ContactsV2),
//     3 "447700900999@s.whatsapp.net" (named only by push name "Pepe 🎸"),
//     4 "123456789012345@lid" (no name anywhere)
//   3 one-to-one "447700900123@s.whatsapp.net", partner name only a number,
//     push name "Nobody Named"
//   4 one-to-one "19995550000@s.whatsapp.net", no name anywhere
//   5 group "120363000000000005@g.us", subject "Neighbours 🏡", holding only system
//     rows, as groups the owner was added to do on real phones
// Group members beyond those of chat 2: 5 "987654321098765@lid" in chat 2 (not in
// LID.sqlite), 6 Ann in chat 5. Member 4's "@lid" id is paired in LID.sqlite with
// Émilie's number +33612345678, whom ContactsV2 names.
// Fixed messages (Z_PK), oldest first:
//   1 chat 1 from Ann: text with comma, quotes, "<", emoji and a line break
//   2 chat 1 from me
//   3 chat 1 from Ann: image with caption "Beach, 2023", no text
//   4 chat 1 from me: image, no caption
//   5, 6, 7 chat 2 from members 1, 2, 3; 8 chat 2 from me; 9 chat 2 group event (no text)
//   10 chat 2 from member 4: location; 11 chat 3; 12 chat 4
//   13 chat 1 contact card "José Müller"; 14 chat 1 sticker
//   15 chat 1 from Ann: voice note (.opus); 16 chat 1 from me: document "Trip plan.pdf"
//   17 chat 5 system notice (type 10, event 2); 18 chat 5 group event (type 6,
//   event 12); 19 chat 5 new subject "Neighbours 🏡" by member 6 (type 6, event 2)
//   20 chat 2 from member 5: "Who maps me?"
// Pictures, videos, voice notes and documents name their file in ZWAMEDIAITEM.ZMEDIALOCALPATH
// ("Media/<chat jid>/x/y/<id>.<ext>", under "Message/" in the app group). The fixed rows'
// files are all in the backup; of the generated ones about one in three is missing, as
// on phones that never downloaded them.
// Generated groups: every third holds only system rows; some members of the others
// appear under "@lid" ids that LID.sqlite pairs with their numbers.
// Every received row carries base64 protobuf in ZPUSHNAME, as real ones do.
// The Business twin holds 2 chats of 3 messages each, and a picture in chat 1.
#include "tools/sample/PhoneDatabases.h"

#include "tools/sample/SampleSqlite.h"

namespace {

const char* const kWaPhrases[] = {
    "Hey! 👋", "Are we still on for tonight?", "Sent the file, check it", "haha 😂",
    "Dinner at 8, don't be late", "I'll bring the \"good\" wine 🍷", "ok <3",
    "Flight lands 14:05, gate C", "Merci beaucoup!", "Can't talk now\ncall you later",
    "Price: 10€ & shipping", "Happy new year!! 🎆", "Where's the meeting?", "👍",
};
const int kWaPhraseCount = int(sizeof kWaPhrases / sizeof *kWaPhrases);

QString Jid(const QString& number)
{
    return (number.startsWith('+') ? number.mid(1) : number) + "@s.whatsapp.net";
}

// Base64 of a small protobuf (field 1: a Unix time), what ZPUSHNAME holds on real rows.
QString EncodedPushName(PhoneRandom& rnd)
{
    QByteArray proto("\x08", 1);
    qulonglong t = 1600000000ULL + qulonglong(rnd.Below(100000000));
    while (t >= 0x80) {
        proto.append(char((t & 0x7F) | 0x80));
        t >>= 7;
    }
    proto.append(char(t));
    return QString::fromLatin1(proto.toBase64());
}

// Rows the fixed part writes (every one keeps its file in the backup).
const qlonglong kFixedMessages = 16;

struct WaChat {
    qlonglong pk;
    QString jid;
    bool group;
    QList<qlonglong> members; // ZWAGROUPMEMBER Z_PKs
    bool systemOnly = false;
};

// The "@lid" id a generated member with this number appears under.
QString LidOf(const QString& number)
{
    const QString digits = number.startsWith('+') ? number.mid(1) : number;
    return "8" + digits.rightJustified(14, QLatin1Char('0')).right(14);
}

} // namespace

bool WriteChatStorageDatabase(const QString& path, const PhoneDataScale& scale, uint64_t seed,
                              bool business, QString* error, std::vector<SampleLinkedFile>* files)
{
    CSampleSqlite db(path);
    db.ExecAll({
        "CREATE TABLE ZWACHATSESSION (Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER, "
        "ZARCHIVED INTEGER, ZCONTACTABID INTEGER, ZFLAGS INTEGER, ZHIDDEN INTEGER, "
        "ZIDENTITYVERIFICATIONEPOCH INTEGER, ZIDENTITYVERIFICATIONSTATE INTEGER, "
        "ZMESSAGECOUNTER INTEGER, ZREMOVED INTEGER, ZSESSIONTYPE INTEGER, ZSPOTLIGHTSTATUS INTEGER, "
        "ZUNREADCOUNT INTEGER, ZGROUPINFO INTEGER, ZLASTMESSAGE INTEGER, ZPROPERTIES INTEGER, "
        "ZLASTMESSAGEDATE TIMESTAMP, ZLOCATIONSHARINGENDDATE TIMESTAMP, ZCONTACTIDENTIFIER VARCHAR, "
        "ZCONTACTJID VARCHAR, ZETAG VARCHAR, ZLASTMESSAGETEXT VARCHAR, ZPARTNERNAME VARCHAR, "
        "ZSAVEDINPUT VARCHAR)",
        "CREATE TABLE ZWAMESSAGE (Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER, "
        "ZCHILDMESSAGESDELIVEREDCOUNT INTEGER, ZCHILDMESSAGESPLAYEDCOUNT INTEGER, "
        "ZCHILDMESSAGESREADCOUNT INTEGER, ZDATAITEMVERSION INTEGER, ZDOCID INTEGER, "
        "ZENCRETRYCOUNT INTEGER, ZFILTEREDRECIPIENTCOUNT INTEGER, ZFLAGS INTEGER, "
        "ZGROUPEVENTTYPE INTEGER, ZISFROMME INTEGER, ZMESSAGEERRORSTATUS INTEGER, "
        "ZMESSAGESTATUS INTEGER, ZMESSAGETYPE INTEGER, ZSORT INTEGER, ZSPOTLIGHTSTATUS INTEGER, "
        "ZSTARRED INTEGER, ZCHATSESSION INTEGER, ZGROUPMEMBER INTEGER, ZLASTSESSION INTEGER, "
        "ZMEDIAITEM INTEGER, ZMESSAGEINFO INTEGER, ZPARENTMESSAGE INTEGER, ZMESSAGEDATE TIMESTAMP, "
        "ZSENTDATE TIMESTAMP, ZFROMJID VARCHAR, ZMEDIASECTIONID VARCHAR, ZPHASH VARCHAR, "
        "ZPUSHNAME VARCHAR, ZSTANZAID VARCHAR, ZTEXT VARCHAR, ZTOJID VARCHAR)",
        "CREATE TABLE ZWAGROUPMEMBER (Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER, "
        "ZCONTACTABID INTEGER, ZISACTIVE INTEGER, ZISADMIN INTEGER, ZSENDERKEYSENT INTEGER, "
        "ZCHATSESSION INTEGER, ZRECENTGROUPCHAT INTEGER, ZCONTACTIDENTIFIER VARCHAR, "
        "ZCONTACTNAME VARCHAR, ZFIRSTNAME VARCHAR, ZMEMBERJID VARCHAR)",
        "CREATE TABLE ZWAGROUPINFO (Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER, "
        "ZSTATE INTEGER, ZCHATSESSION INTEGER, ZLASTMESSAGEOWNER INTEGER, "
        "ZCREATIONDATE TIMESTAMP, ZSUBJECTTIMESTAMP TIMESTAMP, ZCREATORJID VARCHAR, "
        "ZOWNERJID VARCHAR, ZPICTUREID VARCHAR, ZPICTUREPATH VARCHAR, ZSOURCEJID VARCHAR, "
        "ZSUBJECTOWNERJID VARCHAR)",
        "CREATE TABLE ZWAMEDIAITEM (Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER, "
        "ZCLOUDSTATUS INTEGER, ZFILESIZE INTEGER, ZMEDIAORIGIN INTEGER, ZMOVIEDURATION INTEGER, "
        "ZMESSAGE INTEGER, ZASPECTRATIO FLOAT, ZHACCURACY FLOAT, ZLATITUDE FLOAT, ZLONGITUDE FLOAT, "
        "ZMEDIAURLDATE TIMESTAMP, ZAUTHORNAME VARCHAR, ZCOLLECTIONNAME VARCHAR, "
        "ZMEDIALOCALPATH VARCHAR, ZMEDIAURL VARCHAR, ZTHUMBNAILLOCALPATH VARCHAR, ZTITLE VARCHAR, "
        "ZVCARDNAME VARCHAR, ZVCARDSTRING VARCHAR, ZXMPPTHUMBPATH VARCHAR, ZMEDIAKEY BLOB, "
        "ZMETADATA BLOB)",
        "CREATE TABLE ZWAPROFILEPUSHNAME (Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER, "
        "ZJID VARCHAR, ZPUSHNAME VARCHAR)",
        "CREATE INDEX ZWAMESSAGE_ZCHATSESSION_INDEX ON ZWAMESSAGE (ZCHATSESSION)",
    });

    PhoneRandom rnd(seed ^ (business ? 0xB00B5ULL : 0x3A7ULL));
    QSqlQuery insChat = db.Prepare(
        "INSERT INTO ZWACHATSESSION (Z_PK, Z_ENT, Z_OPT, ZARCHIVED, ZHIDDEN, ZREMOVED, ZSESSIONTYPE, "
        "ZMESSAGECOUNTER, ZUNREADCOUNT, ZGROUPINFO, ZLASTMESSAGEDATE, ZCONTACTJID, ZPARTNERNAME) "
        "VALUES (?, 4, 1, 0, 0, 0, ?, 0, 0, ?, NULL, ?, ?)");
    QSqlQuery insGroupInfo = db.Prepare(
        "INSERT INTO ZWAGROUPINFO (Z_PK, Z_ENT, Z_OPT, ZSTATE, ZCHATSESSION, ZCREATIONDATE, "
        "ZCREATORJID, ZOWNERJID) VALUES (?, 3, 1, 0, ?, 500000000, ?, ?)");
    QSqlQuery insMember = db.Prepare(
        "INSERT INTO ZWAGROUPMEMBER (Z_PK, Z_ENT, Z_OPT, ZISACTIVE, ZISADMIN, ZCHATSESSION, "
        "ZCONTACTNAME, ZFIRSTNAME, ZMEMBERJID) VALUES (?, 5, 1, 1, ?, ?, ?, ?, ?)");
    QSqlQuery insPush = db.Prepare(
        "INSERT INTO ZWAPROFILEPUSHNAME (Z_PK, Z_ENT, Z_OPT, ZJID, ZPUSHNAME) VALUES (?, 9, 1, ?, ?)");
    QSqlQuery insMessage = db.Prepare(
        "INSERT INTO ZWAMESSAGE (Z_PK, Z_ENT, Z_OPT, ZGROUPEVENTTYPE, ZISFROMME, ZMESSAGESTATUS, "
        "ZMESSAGETYPE, ZSORT, ZSTARRED, ZCHATSESSION, ZGROUPMEMBER, ZMEDIAITEM, ZMESSAGEDATE, "
        "ZSENTDATE, ZFROMJID, ZPUSHNAME, ZSTANZAID, ZTEXT, ZTOJID) "
        "VALUES (?, 9, 1, ?, ?, ?, ?, ?, 0, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    QSqlQuery insMedia = db.Prepare(
        "INSERT INTO ZWAMEDIAITEM (Z_PK, Z_ENT, Z_OPT, ZFILESIZE, ZMESSAGE, ZLATITUDE, ZLONGITUDE, "
        "ZMEDIALOCALPATH, ZTITLE, ZVCARDNAME, ZVCARDSTRING) VALUES (?, 8, 1, ?, ?, ?, ?, ?, ?, ?, ?)");

    std::vector<WaChat> chats;
    qlonglong nextMember = 1, nextPush = 1, nextMessage = 1, nextMedia = 1, nextGroupInfo = 1;
    const QVariant null;
    auto addChat = [&](const QString& jid, const QVariant& partner, bool group) {
        WaChat chat{qlonglong(chats.size()) + 1, jid, group, {}, false};
        QVariant info;
        if (group) {
            info = nextGroupInfo;
            db.Insert(insGroupInfo, {nextGroupInfo++, chat.pk, "15551234567@s.whatsapp.net",
                                     "15551234567@s.whatsapp.net"});
        }
        db.Insert(insChat, {chat.pk, group ? 1 : 0, info, jid, partner});
        chats.push_back(chat);
        return chat.pk;
    };
    auto addMember = [&](qlonglong chatPk, const QVariant& contactName, const QString& jid) {
        const qlonglong pk = nextMember++;
        db.Insert(insMember, {pk, pk == 1 ? 1 : 0, chatPk, contactName, null, jid});
        chats[size_t(chatPk - 1)].members << pk;
        return pk;
    };
    auto addPush = [&](const QString& jid, const QString& name) {
        db.Insert(insPush, {nextPush++, jid, name});
    };
    double clock = 600000000.0;
    // Adds one message; `type` 0 is text. Media rows get a ZWAMEDIAITEM.
    auto addMessage = [&](qlonglong chatPk, bool fromMe, const QVariant& memberPk, int type,
                          const QVariant& text, const QVariant& caption, const QVariant& vcardName,
                          bool location, int event = -1) {
        const WaChat& chat = chats[size_t(chatPk - 1)];
        const qlonglong pk = nextMessage++;
        clock += 37 + rnd.Below(5000);
        // Sent rows keep a REAL date, received rows mostly an integer one.
        const QVariant date = fromMe || pk % 3 == 0 ? QVariant(clock + 0.5) : QVariant(qlonglong(clock));
        QVariant media;
        if (type != 0 && type != 6 && type != 10) {
            media = nextMedia++;
            const QString ext = type == 1 ? "jpg" : type == 2 ? "mp4" : type == 3 ? "opus" : type == 8 ? "pdf" : "bin";
            const bool hasFile = type == 1 || type == 2 || type == 3 || type == 8;
            const QString localPath = QString("Media/%1/%2/%3/%4.%5")
                                          .arg(chat.jid)
                                          .arg(pk % 10)
                                          .arg(pk % 7)
                                          .arg(QString::number(rnd.Next(), 16), ext);
            db.Insert(insMedia, {media, hasFile ? 1024 + rnd.Below(7000) : 0, pk,
                                 location ? QVariant(48.8584) : null, location ? QVariant(2.2945) : null,
                                 hasFile ? QVariant(localPath) : null,
                                 caption, vcardName,
                                 vcardName.isNull() ? null : QVariant("BEGIN:VCARD\nVERSION:3.0\nEND:VCARD")});
            if (hasFile && files) {
                using K = SampleMediaKind;
                const K kind = type == 1 ? K::JpegJfif : type == 2 ? K::Mp4 : type == 3 ? K::Opus : K::Pdf;
                const bool stored = pk <= kFixedMessages || !rnd.Chance(35);
                files->push_back({business ? "AppDomainGroup-group.net.whatsapp.WhatsAppSMB.shared"
                                           : "AppDomainGroup-group.net.whatsapp.WhatsApp.shared",
                                  "Message/" + localPath, kind, stored});
            }
        }
        db.Insert(insMessage,
                  {pk, event >= 0 ? event : type == 6 ? 2 : 0, fromMe ? 1 : 0, fromMe ? 8 : 0, type, pk, chatPk, memberPk,
                   media, date, date, fromMe ? null : QVariant(chat.jid),
                   fromMe ? null : QVariant(EncodedPushName(rnd)),
                   QString("3EB0%1").arg(QString::number(rnd.Next(), 16).toUpper()), text,
                   fromMe ? QVariant(chat.jid) : null});
    };

    if (!business) {
        addChat("15551234567@s.whatsapp.net", "Ann Lee", false);
        const qlonglong family = addChat("120363000000000001@g.us",
                                         QString::fromUtf8("Family, Friends 🎉"), true);
        addChat("447700900123@s.whatsapp.net", "+44 7700 900123", false);
        addChat("19995550000@s.whatsapp.net", null, false);
        const qlonglong neighbours = addChat("120363000000000005@g.us", QString::fromUtf8("Neighbours 🏡"), true);
        chats.back().systemOnly = true;
        const qlonglong annM = addMember(family, "Ann Lee", "15551234567@s.whatsapp.net");
        const qlonglong joseM = addMember(family, null, "4915112345678@s.whatsapp.net");
        const qlonglong pepeM = addMember(family, null, "447700900999@s.whatsapp.net");
        const qlonglong lidM = addMember(family, null, "123456789012345@lid");
        const qlonglong unpairedM = addMember(family, null, "987654321098765@lid");
        const qlonglong annNeighbour = addMember(neighbours, "Ann Lee", "15551234567@s.whatsapp.net");
        addPush("447700900999@s.whatsapp.net", QString::fromUtf8("Pepe 🎸"));
        addPush("447700900123@s.whatsapp.net", "Nobody Named");

        addMessage(1, false, null, 0,
                   QString::fromUtf8("Hello from WhatsApp, \"Ann\" <3\nbye 😀"), null, null, false);
        addMessage(1, true, null, 0, QString::fromUtf8("Reply 😀"), null, null, false);
        addMessage(1, false, null, 1, null, "Beach, 2023", null, false);
        addMessage(1, true, null, 1, null, null, null, false);
        addMessage(2, false, annM, 0, "Group hello", null, null, false);
        addMessage(2, false, joseM, 0, "Hola", null, null, false);
        addMessage(2, false, pepeM, 0, "Who am I?", null, null, false);
        addMessage(2, true, null, 0, "Me in WA group", null, null, false);
        addMessage(2, false, annM, 6, null, null, null, false);
        addMessage(2, false, lidM, 5, null, null, null, true);
        addMessage(3, false, null, 0, "Hi there", null, null, false);
        addMessage(4, false, null, 0, "Who is this?", null, null, false);
        addMessage(1, false, null, 4, null, null, QString::fromUtf8("José Müller"), false);
        addMessage(1, false, null, 15, null, null, null, false);
        addMessage(1, false, null, 3, null, null, null, false);
        addMessage(1, true, null, 8, null, "Trip plan.pdf", null, false);
        addMessage(neighbours, false, null, 10, null, null, null, false, 2);
        addMessage(neighbours, false, null, 6, null, null, null, false, 12);
        addMessage(neighbours, false, annNeighbour, 6, QString::fromUtf8("Neighbours 🏡"), null, null, false, 2);
        addMessage(2, false, unpairedM, 0, "Who maps me?", null, null, false);
    } else {
        addChat("4915112345678@s.whatsapp.net", QString::fromUtf8("José Müller"), false);
        addChat("33612345678@s.whatsapp.net", QString::fromUtf8("Émilie (Café)"), false);
        for (int i = 0; i < 3; ++i) {
            addMessage(1, i == 1, null, 0, QString("Order #%1 is ready").arg(100 + i), null, null, false);
            addMessage(2, i != 1, null, 0, QString::fromUtf8("Table for 2, 20h ✔"), null, null, false);
        }
        addMessage(1, false, null, 1, null, "Menu", null, false);
    }

    if (!business) {
        const std::vector<SamplePerson> people = SamplePeople(scale, seed);
        // More chats: mostly one-to-one with people, a few groups.
        for (int c = int(chats.size()); c < scale.nWhatsAppChats; ++c) {
            if (c % 10 == 9) {
                const qlonglong pk = addChat(QString("1203630000%1@g.us").arg(10000000 + c),
                                             QString::fromUtf8("Club <%1>, 🎾").arg(c), true);
                const int n = 3 + rnd.Below(5);
                for (int k = 0; k < n; ++k) {
                    const SamplePerson& p = people[size_t(rnd.Below(int(people.size())))];
                    const QString jid = p.vecNumbers.isEmpty()
                                            ? QString("%1@lid").arg(100000000000000LL + rnd.Below(1000000))
                                        : rnd.Chance(30) ? LidOf(p.vecNumbers.first()) + "@lid"
                                                         : Jid(p.vecNumbers.first());
                    addMember(pk, rnd.Chance(60) ? QVariant(p.strFirst + " " + p.strLast) : null, jid);
                }
                // A group the owner was only added to: nothing but system rows.
                if (c % 30 == 9) {
                    chats.back().systemOnly = true;
                    addMessage(pk, false, null, 10, null, null, null, false, 2);
                    addMessage(pk, false, chats.back().members.first(), 6, null, null, null, false, 12);
                }
            } else {
                const SamplePerson& p = people[size_t(6 + c) % people.size()];
                const QString number = p.vecNumbers.isEmpty()
                                           ? QString("+1777%1").arg(1000000 + c, 7, 10, QChar('0'))
                                           : p.vecNumbers.first();
                addChat(Jid(number), rnd.Chance(80) ? QVariant(p.strFirst + " " + p.strLast) : null, false);
                if (rnd.Chance(50))
                    addPush(Jid(number), p.strFirst + " ✨");
            }
        }
        std::vector<size_t> open;
        for (size_t c = 0; c < chats.size(); ++c) {
            if (!chats[c].systemOnly)
                open.push_back(c);
        }
        for (int i = int(nextMessage); i <= scale.nWhatsAppMessages; ++i) {
            const WaChat& chat = chats[open[size_t(rnd.Below(int(open.size())))]];
            const bool fromMe = rnd.Chance(40);
            QVariant member;
            if (chat.group && !fromMe && !chat.members.isEmpty())
                member = chat.members[rnd.Below(int(chat.members.size()))];
            const int kind = rnd.Below(100);
            if (kind < 8)
                addMessage(chat.pk, fromMe, member, 1, null,
                           rnd.Chance(30) ? QVariant(QString::fromUtf8("Look, a photo 📷")) : null, null, false);
            else if (kind < 10)
                addMessage(chat.pk, fromMe, member, 2, null, null, null, false);
            else if (kind < 12)
                addMessage(chat.pk, fromMe, member, 3, null, null, null, false);
            else if (kind < 13 && chat.group)
                addMessage(chat.pk, false, member, 6, null, null, null, false);
            else
                addMessage(chat.pk, fromMe, member, 0,
                           QString::fromUtf8(kWaPhrases[rnd.Below(kWaPhraseCount)]), null, null, false);
        }
    }
    db.Exec("UPDATE ZWACHATSESSION SET ZMESSAGECOUNTER = (SELECT COUNT(*) FROM ZWAMESSAGE WHERE "
            "ZCHATSESSION = ZWACHATSESSION.Z_PK), ZLASTMESSAGEDATE = (SELECT MAX(ZMESSAGEDATE) FROM "
            "ZWAMESSAGE WHERE ZCHATSESSION = ZWACHATSESSION.Z_PK)");
    if (!db.Finish()) {
        if (error)
            *error = "ChatStorage.sqlite: " + db.Error();
        return false;
    }
    return true;
}

bool WriteWhatsAppContactsDatabase(const QString& path, const PhoneDataScale& scale, uint64_t seed,
                                   QString* error)
{
    CSampleSqlite db(path);
    db.ExecAll({
        "CREATE TABLE ZWAADDRESSBOOKCONTACT (Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER, "
        "ZABUSERID INTEGER, ZSTATUSDATE TIMESTAMP, ZFULLNAME VARCHAR, ZGIVENNAME VARCHAR, "
        "ZPHONENUMBER VARCHAR, ZPHONENUMBERLABEL VARCHAR, ZSTATUS VARCHAR, ZWHATSAPPID VARCHAR)",
    });
    QSqlQuery ins = db.Prepare(
        "INSERT INTO ZWAADDRESSBOOKCONTACT (Z_PK, Z_ENT, Z_OPT, ZABUSERID, ZFULLNAME, ZGIVENNAME, "
        "ZPHONENUMBER, ZPHONENUMBERLABEL, ZWHATSAPPID) VALUES (?, 1, 1, ?, ?, ?, ?, 'mobile', ?)");
    const std::vector<SamplePerson> people = SamplePeople(scale, seed);
    qlonglong pk = 1;
    for (size_t i = 0; i < people.size(); ++i) {
        const SamplePerson& p = people[i];
        if (p.vecNumbers.isEmpty() || (p.strFirst.isEmpty() && p.strLast.isEmpty()))
            continue;
        db.Insert(ins, {pk++, qlonglong(i) + 1, (p.strFirst + " " + p.strLast).trimmed(), p.strFirst,
                        p.vecNumbers.first(), Jid(p.vecNumbers.first())});
    }
    if (!db.Finish()) {
        if (error)
            *error = "ContactsV2.sqlite: " + db.Error();
        return false;
    }
    return true;
}

bool WriteWhatsAppLidDatabase(const QString& path, const PhoneDataScale& scale, uint64_t seed, QString* error)
{
    CSampleSqlite db(path);
    db.ExecAll({
        "CREATE TABLE ZWAPHONENUMBERLIDPAIR (Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER, "
        "ZTIMESTAMP TIMESTAMP, ZLID VARCHAR, ZPHONENUMBER VARCHAR)",
    });
    QSqlQuery ins = db.Prepare("INSERT INTO ZWAPHONENUMBERLIDPAIR VALUES (?, 2, 1, 700000000, ?, ?)");
    qlonglong pk = 1;
    db.Insert(ins, {pk++, "123456789012345@lid", "33612345678@s.whatsapp.net"});
    // Every generated person with a number; the number stored both ways phones do.
    for (const SamplePerson& p : SamplePeople(scale, seed)) {
        if (p.vecNumbers.isEmpty())
            continue;
        const QString number = p.vecNumbers.first();
        db.Insert(ins, {pk, LidOf(number) + "@lid", pk % 2 ? QVariant(number) : QVariant(Jid(number))});
        ++pk;
    }
    if (!db.Finish()) {
        if (error)
            *error = "LID.sqlite: " + db.Error();
        return false;
    }
    return true;
}
