// The phone's own databases in a sample backup: messages, address book, call
// log, notes and WhatsApp chats, with realistic schemas and the awkward rows real
// phones have. Each writer makes one SQLite file; AddPhoneDatabases puts them
// into the sample backup under their real domains and paths.
//
// Every database starts with a fixed set of rows the tests rely on (described at
// each writer), followed by generated filler up to the scale's counts. Output is
// deterministic for a seed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <QString>
#include <QStringList>

#include "tools/sample/SampleLinkedFile.h"
#include "tools/sample/SampleOptions.h"
#include "tools/sample/SampleRandom.h"

struct PhoneDataScale {
    int nMessages = 0;        // message rows in sms.db
    int nConversations = 0;   // one-to-one chats
    int nGroupChats = 0;      // generated ones, beside the fixed two
    int nContacts = 0;
    int nCalls = 0;
    int nNotes = 0;
    int nWhatsAppMessages = 0;
    int nWhatsAppChats = 0;
};

PhoneDataScale PhoneDataScaleFor(SampleOptions::Scale scale);

// The generator's random source with the few draws these writers use.
class PhoneRandom {
public:
    explicit PhoneRandom(uint64_t seed) : m_random(seed) {}
    uint64_t Next() { return m_random.next(); }
    // 0 .. n-1; 0 when n <= 0.
    int Below(int n) { return n <= 0 ? 0 : int(m_random.range(0, n - 1)); }
    bool Chance(int percent) { return Below(100) < percent; }

private:
    SampleRandom m_random;
};

// A postal address of a contact, as the address book keeps its parts.
struct SampleAddress {
    QString strLabel;  // stored label, e.g. "_$!<Home>!$_"
    QString strStreet;
    QString strCity;
    QString strState;
    QString strZip;
    QString strCountry;
    QString strCountryCode;
};

struct SamplePerson {
    QString strFirst;
    QString strLast;
    QString strOrganization;
    QString strEmail;
    QString strUrl;
    QStringList vecNumbers; // canonical +E.164 numbers

    // What the address book stores beside them. Labels are stored labels
    // ("_$!<Mobile>!$_", "iPhone" or the user's own text); empty: no label.
    QStringList vecStoredNumbers;  // each of vecNumbers as the phone keeps it, "(555) 123-4567"
    QStringList vecNumberLabels;   // the label of each of vecNumbers
    QString strEmailLabel;
    QString strUrlLabel;
    QString strMiddle;
    QString strPrefix;
    QString strSuffix;
    QString strJobTitle;
    QString strNote;
    QString strBirthday;  // as a contact record shows it: "1985-04-12", "--12-24" without a year
    std::vector<SampleAddress> vecAddresses;
};

// The people the messages, calls and WhatsApp chats talk to: fixed ones first
// (see PhoneDatabasesPeople.cpp), then generated ones up to scale.nContacts.
// Some have no phone (e-mail only).
std::vector<SamplePerson> SamplePeople(const PhoneDataScale& scale, uint64_t seed);

// Everyone in the address book, in its order (ABPerson.ROWID = index + 1):
// SamplePeople followed by cards nobody writes to (a CJK name, a company card,
// a name-only card).
std::vector<SamplePerson> SampleAddressBook(const PhoneDataScale& scale, uint64_t seed);

// The name the phone shows for a sample person.
QString SampleDisplayName(const SamplePerson& person);

// The full-text phone column as the phone writes it: every number in seven
// normalised search variants, space separated, the first one the stored form
// (`stored`, when given, else a formatted form of the number).
QString FullTextPhone(const QStringList& numbers, const QStringList& stored = QStringList());

// A minimal valid attributedBody archive (Apple "streamtyped") holding `text`.
std::string EncodeTypedStreamText(const std::string& text);

// What a reader should make of a written sms.db: one conversation per group chat
// and per handle of the other messages, counting only messages with text to show
// (each once, though some are joined to two chats).
struct SmsExpectation {
    int nConversations = 0;
    int nGroupConversations = 0;
    int nMessages = 0;
};

// Writers. Each replaces any file at `path`; false with *error on failure.
// newFormat: iOS 11+ sms.db (nanosecond dates, chat_message_join.message_date)
// with a few seconds-era rows; otherwise all seconds and the older columns.
// `files`, when given, receives the attachment files the rows name; unusualNames gives
// one of them a name with quotes, "#", "?" and a "../" in the name it was sent under.
bool WriteSmsDatabase(const QString& path, const PhoneDataScale& scale, uint64_t seed,
                      bool newFormat, QString* error, SmsExpectation* expect = nullptr,
                      std::vector<SampleLinkedFile>* files = nullptr, bool unusualNames = true);
// newNumbering: ABPersonFullTextSearch_content with c16Phone (iOS 10+), else c15Phone.
// ownTables false: only the full-text shadow table, without ABPerson and ABMultiValue.
bool WriteAddressBookDatabase(const QString& path, const PhoneDataScale& scale, uint64_t seed,
                              bool newNumbering, QString* error, bool ownTables = true);
// CallHistory.storedata (ZCALLRECORD, ZADDRESS stored as BLOB).
bool WriteCallHistoryDatabase(const QString& path, const PhoneDataScale& scale, uint64_t seed,
                              QString* error);
// Old call_history.db with its `call` table.
bool WriteOldCallHistoryDatabase(const QString& path, const PhoneDataScale& scale, uint64_t seed,
                                 QString* error);
// NoteStore.sqlite (iOS 15+ flavour: ZCREATIONDATE3; some rows only ZCREATIONDATE1),
// with folders, an account, deleted and locked notes, whole texts in ZICNOTEDATA
// and a few damaged ones.
bool WriteNoteStoreDatabase(const QString& path, const PhoneDataScale& scale, uint64_t seed,
                            QString* error);
// Legacy notes.sqlite (ZNOTE, ZNOTEBODY). besideNewStore: the file an upgraded
// phone keeps beside NoteStore.sqlite, fewer notes and one also in the newer store.
bool WriteOldNotesDatabase(const QString& path, const PhoneDataScale& scale, uint64_t seed,
                           bool besideNewStore, QString* error);
// A note's whole text as NoteStore.sqlite keeps it in ZICNOTEDATA.ZDATA: gzip
// around a protobuf (document 2 -> note 3 -> text 2, then formatting runs).
QByteArray EncodeNoteBody(const QString& text);
// The protobuf inside, before gzip.
QByteArray EncodeNoteProto(const QString& text);
// `data` in gzip form.
QByteArray GzipBytes(const QByteArray& data);
// WhatsApp's LID.sqlite: the phone numbers behind the sample's "@lid" ids.
bool WriteWhatsAppLidDatabase(const QString& path, const PhoneDataScale& scale, uint64_t seed,
                              QString* error);
// ChatStorage.sqlite; business: the WhatsApp Business twin (fewer, different chats).
// `files`, when given, receives the media files ZWAMEDIAITEM.ZMEDIALOCALPATH names.
bool WriteChatStorageDatabase(const QString& path, const PhoneDataScale& scale, uint64_t seed,
                              bool business, QString* error, std::vector<SampleLinkedFile>* files = nullptr);
// WhatsApp's ContactsV2.sqlite (ZWAADDRESSBOOKCONTACT).
bool WriteWhatsAppContactsDatabase(const QString& path, const PhoneDataScale& scale, uint64_t seed,
                                   QString* error);
