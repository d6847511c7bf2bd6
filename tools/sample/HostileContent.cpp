// A backup built to break its reader: names that climb out of folders or are not
// text, stored files that are links, FIFOs, folders or empty, damaged databases,
// values of the wrong type, huge text and impossible dates.
#include <functional>

#include <QAtomicInt>
#include <QCryptographicHash>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>

#include "tools/sample/SampleContent.h"

namespace {

// Names that escape a folder, hide a NUL, are not UTF-8, or run to 1000 bytes.
QList<QByteArray> NameBytes()
{
    return {
        QByteArrayLiteral("../../../../../../tmp/quillmere-escape"),
        QByteArrayLiteral("/etc/passwd"),
        QByteArrayLiteral("..\\..\\..\\windows\\escape"),
        QByteArray("nul\0inside", 10),
        QByteArrayLiteral("bad \xC3\x28 utf8 \xFF\xFE end"),
        QString(QStringLiteral("\u00e9")).repeated(500).toUtf8(),
        QByteArrayLiteral(".."),
        QByteArrayLiteral("."),
    };
}

// A file the recogniser takes for a JPEG (JFIF header), padded past 512 bytes.
QByteArray JpegLike(const QByteArray& note)
{
    QByteArray data = QByteArray::fromHex("ffd8ffe000104a46494600010100000100010000");
    QByteArray comment = note + QByteArray(1500, 'x');
    data += QByteArray::fromHex("fffe");
    data += char((comment.size() + 2) >> 8);
    data += char((comment.size() + 2) & 0xff);
    data += comment;
    data += QByteArray::fromHex("ffd9");
    return data;
}

SampleEntry& AddOdd(SampleBackup& backup, const QString& domain, const QString& path, const QByteArray& content,
                    SampleEntry::Stored stored)
{
    SampleEntry& e = backup.addFile(domain, path, content);
    e.stored = stored;
    return e;
}

// A file under `folder` named by raw bytes (which may hold NUL or invalid UTF-8).
void AddRawNamed(SampleBackup& backup, const QString& domain, const QString& folder, const QByteArray& name,
                 const QByteArray& content, int serial)
{
    // The model's own name must be unique and plain; the manifest gets the raw bytes.
    SampleEntry& e = backup.addFile(domain, folder + QStringLiteral("/raw%1").arg(serial), content);
    e.rawRelativePath = folder.toUtf8() + '/' + name;
}

const QList<SampleEntry::Stored>& OddForms()
{
    static const QList<SampleEntry::Stored> forms = {
        SampleEntry::Stored::LinkOutside, SampleEntry::Stored::LinkDevice, SampleEntry::Stored::Fifo,
        SampleEntry::Stored::Folder,
    };
    return forms;
}

// Every odd form and an empty file (the manifest claiming a terabyte) under `folder`.
void AddOddFiles(SampleBackup& backup, const QString& domain, const QString& folder, const QString& stem)
{
    int n = 0;
    for (SampleEntry::Stored form : OddForms())
        AddOdd(backup, domain, folder + QStringLiteral("/%1_odd%2.JPG").arg(stem).arg(++n),
               JpegLike(SampleOutsideMarker()), form);
    SampleEntry& empty = backup.addFile(domain, folder + QStringLiteral("/%1_empty.JPG").arg(stem), QByteArray());
    empty.size = qint64(1) << 40;
}

void AddHostileMedia(SampleBackup& backup)
{
    const QList<QByteArray> names = NameBytes();
    int serial = 0;
    struct Place {
        QString domain;
        QString folder;
    };
    const QList<Place> places = {
        {QStringLiteral("CameraRollDomain"), QStringLiteral("Media/DCIM/100APPLE")},
        {QStringLiteral("MediaDomain"), QStringLiteral("Media/PhotoStreamsData/1234567890/100APPLE")},
        {QStringLiteral("MediaDomain"), QStringLiteral("Library/SMS/Attachments/4f/15")},
        {QStringLiteral("AppDomain-net.whatsapp.WhatsApp"), QStringLiteral("Library/Media/447700900123@s.whatsapp.net")},
        {QStringLiteral("AppDomainGroup-group.net.whatsapp.WhatsApp.shared"),
         QStringLiteral("Message/Media/447700900123@s.whatsapp.net/a/b")},
    };
    for (const Place& place : places) {
        backup.addFile(place.domain, place.folder + QStringLiteral("/IMG_0001.JPG"), JpegLike("plain"));
        for (const QByteArray& name : names)
            AddRawNamed(backup, place.domain, place.folder, name + ".JPG", JpegLike(name), ++serial);
        // Names that climb out through the folder part of the path too.
        backup.addFile(place.domain, place.folder + QStringLiteral("/../../../../../escape.JPG"), JpegLike("up"));
        AddOddFiles(backup, place.domain, place.folder, QStringLiteral("IMG"));
    }

    // Apps whose identifiers are hostile: each holds a picture, and the odd files.
    QList<QByteArray> ids;
    for (const QByteArray& name : names)
        ids << "com." + name << "net." + name + "-x";
    int app = 0;
    for (const QByteArray& id : ids) {
        ++app;
        const QString plainDomain = QStringLiteral("AppDomain-hostile.app%1").arg(app);
        backup.addFile(plainDomain, QStringLiteral("Documents/photo.jpg"), JpegLike(id));
        if (app <= 2)
            AddOddFiles(backup, plainDomain, QStringLiteral("Documents"), QStringLiteral("app"));
        for (SampleEntry& e : backup.entries) {
            if (e.domain == plainDomain)
                e.rawDomain = "AppDomain-" + id;
        }
        const QString text = QString::fromUtf8(id);
        if (!id.contains('\0') && text.toUtf8() == id)
            backup.addApplication(text);
    }
}

// Opens the database bytes of the entry at (domain, path) in a scratch file, lets
// `edit` change them, and puts the result back. Nothing happens when it is absent.
void EditDatabase(SampleBackup& backup, const QString& domain, const QString& path,
                  const std::function<void(QSqlQuery&)>& edit)
{
    const int index = backup.find(domain, path);
    if (index < 0)
        return;
    QTemporaryDir scratch;
    const QString file = scratch.filePath(QStringLiteral("edit.sqlite"));
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(backup.entries[size_t(index)].content) < 0)
        return;
    out.close();
    static QAtomicInt counter;
    const QString name = QStringLiteral("sample_hostile_%1").arg(counter.fetchAndAddRelaxed(1));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        if (db.open()) {
            QSqlQuery q(db);
            edit(q);
            q.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    QFile in(file);
    if (in.open(QIODevice::ReadOnly)) {
        SampleEntry& e = backup.entries[size_t(index)];
        e.content = in.readAll();
        e.digest = QCryptographicHash::hash(e.content, QCryptographicHash::Sha1);
    }
}

// Binds raw bytes as text (CAST keeps NUL and invalid UTF-8 inside a TEXT value).
void Exec(QSqlQuery& q, const QString& sql, const QVariantList& values)
{
    q.prepare(sql);
    for (const QVariant& v : values)
        q.addBindValue(v);
    q.exec();
}

QList<qlonglong> Keys(QSqlQuery& q, const QString& sql)
{
    QList<qlonglong> keys;
    if (q.exec(sql)) {
        while (q.next())
            keys << q.value(0).toLongLong();
    }
    return keys;
}

void HostileMessages(SampleBackup& backup, const QByteArray& huge)
{
    const QList<QByteArray> names = NameBytes();
    const QByteArray noise = backup.random.bytes(3000);
    EditDatabase(backup, QStringLiteral("HomeDomain"), QStringLiteral("Library/SMS/sms.db"), [&](QSqlQuery& q) {
        // Senders and group names that are paths or not text.
        // The first handles stay, so some conversations still find their contact.
        const QList<qlonglong> handles = Keys(q, QStringLiteral("SELECT ROWID FROM handle WHERE ROWID > 3"));
        for (int i = 0; i < handles.size(); ++i)
            Exec(q, QStringLiteral("UPDATE handle SET id = CAST(? AS TEXT) WHERE ROWID = ?"),
                 {names[i % names.size()], handles[i]});
        const QList<qlonglong> chats = Keys(q, QStringLiteral("SELECT ROWID FROM chat"));
        for (int i = 0; i < chats.size(); ++i)
            Exec(q, QStringLiteral("UPDATE chat SET display_name = CAST(? AS TEXT), chat_identifier = CAST(? AS TEXT) "
                                   "WHERE ROWID = ?"),
                 {names[(i + 3) % names.size()], names[(i + 3) % names.size()], chats[i]});
        Exec(q, QStringLiteral("UPDATE message SET text = CAST(? AS TEXT), attributedBody = NULL WHERE ROWID = 3"),
             {huge});
        // Dates out of range, values of the wrong type.
        q.exec(QStringLiteral("UPDATE message SET date = 9223372036854775807 WHERE ROWID = 4"));
        q.exec(QStringLiteral("UPDATE message SET date = -9223372036854775807 WHERE ROWID = 5"));
        q.exec(QStringLiteral("UPDATE message SET date = 1e300 WHERE ROWID = 6"));
        q.exec(QStringLiteral("UPDATE message SET date = 'yesterday', is_from_me = 'maybe', text = X'00FF00' "
                              "WHERE ROWID = 7"));
        q.exec(QStringLiteral("UPDATE message SET handle_id = 'nobody', attributedBody = X'040b737472' "
                              "WHERE ROWID = 8"));
        Exec(q, QStringLiteral("UPDATE message SET attributedBody = ?, text = NULL WHERE ROWID = 9"), {noise});
    });
    EditDatabase(backup, QStringLiteral("HomeDomain"), QStringLiteral("Library/AddressBook/AddressBook.sqlitedb"),
                 [&](QSqlQuery& q) {
        const QList<qlonglong> people = Keys(q, QStringLiteral("SELECT ROWID FROM ABPerson"));
        for (int i = 0; i < people.size(); ++i)
            Exec(q, QStringLiteral("UPDATE ABPerson SET First = CAST(? AS TEXT), Last = CAST(? AS TEXT), "
                                   "Organization = CAST(? AS TEXT) WHERE ROWID = ?"),
                 {names[i % names.size()], names[(i + 1) % names.size()], names[i % names.size()], people[i]});
        q.exec(QStringLiteral("UPDATE ABPerson SET CreationDate = 'never', Kind = X'FF' WHERE ROWID = 2"));
        Exec(q, QStringLiteral("UPDATE ABPerson SET Note = CAST(? AS TEXT) WHERE ROWID = 3"), {huge});
        q.exec(QStringLiteral("UPDATE ABMultiValue SET value = X'C328FF00' WHERE UID % 3 = 0"));
    });
}

void HostileWhatsApp(SampleBackup& backup, const QByteArray& huge)
{
    const QList<QByteArray> names = NameBytes();
    EditDatabase(backup, QStringLiteral("AppDomainGroup-group.net.whatsapp.WhatsApp.shared"),
                 QStringLiteral("ChatStorage.sqlite"), [&](QSqlQuery& q) {
        const QList<qlonglong> chats = Keys(q, QStringLiteral("SELECT Z_PK FROM ZWACHATSESSION"));
        for (int i = 0; i < chats.size(); ++i)
            Exec(q, QStringLiteral("UPDATE ZWACHATSESSION SET ZPARTNERNAME = CAST(? AS TEXT), "
                                   "ZCONTACTJID = CAST(? AS TEXT) WHERE Z_PK = ?"),
                 {names[i % names.size()], names[(i + 4) % names.size()], chats[i]});
        for (int i = 0; i < names.size(); ++i)
            Exec(q, QStringLiteral("UPDATE ZWAMESSAGE SET ZFROMJID = CAST(? AS TEXT), ZPUSHNAME = CAST(? AS TEXT) "
                                   "WHERE Z_PK = ?"),
                 {names[i], names[i], i + 1});
        Exec(q, QStringLiteral("UPDATE ZWAMESSAGE SET ZTEXT = CAST(? AS TEXT) WHERE Z_PK = 2"), {huge});
        q.exec(QStringLiteral("UPDATE ZWAMESSAGE SET ZMESSAGEDATE = 1e300 WHERE Z_PK = 3"));
        q.exec(QStringLiteral("UPDATE ZWAMESSAGE SET ZMESSAGEDATE = -1e300 WHERE Z_PK = 4"));
        q.exec(QStringLiteral("UPDATE ZWAMESSAGE SET ZMESSAGEDATE = 'soon', ZISFROMME = X'01', "
                              "ZCHATSESSION = 'abc' WHERE Z_PK = 5"));
        q.exec(QStringLiteral("UPDATE ZWAMEDIAITEM SET ZMEDIALOCALPATH = '../../../../etc/passwd', "
                              "ZFILESIZE = 'big'"));
    });
}

// Keeps the first part of the file only: the header promises pages that are gone.
void Truncate(SampleBackup& backup, const QString& domain, const QString& path)
{
    const int index = backup.find(domain, path);
    if (index >= 0) {
        SampleEntry& e = backup.entries[size_t(index)];
        e.content.truncate(qMax(100, int(e.content.size() * 2 / 5)));
    }
}

// Keeps the header and overwrites every page after the first with noise.
void Corrupt(SampleBackup& backup, const QString& domain, const QString& path)
{
    const int index = backup.find(domain, path);
    if (index < 0)
        return;
    SampleEntry& e = backup.entries[size_t(index)];
    for (int i = 4096; i < e.content.size(); ++i)
        e.content[i] = char(backup.random.next() & 0xff);
}

void SetStored(SampleBackup& backup, const QString& domain, const QString& path, SampleEntry::Stored stored)
{
    const int index = backup.find(domain, path);
    if (index >= 0)
        backup.entries[size_t(index)].stored = stored;
}

} // namespace

QByteArray SampleOutsideMarker()
{
    return QByteArrayLiteral("QUILLMERE-OUTSIDE-THE-BACKUP");
}

void AddHostileContent(SampleBackup& backup)
{
    // Large enough to find quadratic or copying mistakes, small enough for sanitizer runs.
    const QByteArray huge = QByteArray("<b>huge</b> \xF0\x9F\x92\xA5 ").repeated(1 << 16);
    HostileMessages(backup, huge);
    HostileWhatsApp(backup, huge);

    // The call log is a link to a copy outside the backup: it must not be read.
    const QString callDomain = QStringLiteral("HomeDomain");
    EditDatabase(backup, callDomain, QStringLiteral("Library/CallHistoryDB/CallHistory.storedata"), [](QSqlQuery& q) {
        Exec(q, QStringLiteral("UPDATE ZCALLRECORD SET ZADDRESS = ?"), {SampleOutsideMarker()});
    });
    SetStored(backup, callDomain, QStringLiteral("Library/CallHistoryDB/CallHistory.storedata"),
              SampleEntry::Stored::LinkOutside);
    EditDatabase(backup, QStringLiteral("WirelessDomain"), QStringLiteral("Library/CallHistory/call_history.db"),
                 [](QSqlQuery& q) {
        Exec(q, QStringLiteral("UPDATE call SET address = CAST(? AS TEXT)"), {SampleOutsideMarker()});
    });
    SetStored(backup, QStringLiteral("WirelessDomain"), QStringLiteral("Library/CallHistory/call_history.db"),
              SampleEntry::Stored::LinkOutside);

    Truncate(backup, QStringLiteral("AppDomainGroup-group.com.apple.notes"), QStringLiteral("NoteStore.sqlite"));
    Truncate(backup, QStringLiteral("HomeDomain"), QStringLiteral("Library/Notes/notes.sqlite"));
    Corrupt(backup, QStringLiteral("AppDomainGroup-group.net.whatsapp.WhatsAppSMB.shared"),
            QStringLiteral("ChatStorage.sqlite"));
    SetStored(backup, QStringLiteral("AppDomainGroup-group.net.whatsapp.WhatsApp.shared"),
              QStringLiteral("ContactsV2.sqlite"), SampleEntry::Stored::Fifo);

    AddHostileMedia(backup);

    // The device's name climbs out of folders too (no NUL: Info.plist is XML).
    backup.device.displayName = QStringLiteral("../../Evil\\Phone/") + QString(QStringLiteral("\u00e9")).repeated(500);
    // A date no phone can have.
    backup.device.lastBackupDate = QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59), Qt::UTC);
}

void AddPlantedShape(SampleBackup& backup)
{
    switch (backup.options.planted) {
    case SampleOptions::Planted::InfoFifo:
        backup.infoPlistStored = SampleEntry::Stored::Fifo;
        break;
    case SampleOptions::Planted::InfoDevice:
        backup.infoPlistStored = SampleEntry::Stored::LinkDevice;
        break;
    case SampleOptions::Planted::StoredLinks:
        // The address book is read while the backup is merely listed.
        SetStored(backup, QStringLiteral("HomeDomain"), QStringLiteral("Library/AddressBook/AddressBook.sqlitedb"),
                  SampleEntry::Stored::Fifo);
        // The folder of sms.db (3d0d7e5fb2ce288813306e4d4636395e047a3d28).
        backup.linkedFolders << QStringLiteral("3d");
        break;
    case SampleOptions::Planted::None:
        break;
    }
}
