#include "tools/sample/PhoneDatabases.h"

#include <functional>

#include <QFile>
#include <QTemporaryDir>

#include "tools/sample/SampleContent.h"

namespace {

// Writes one database into the scratch folder and adds its bytes to the backup.
void AddDatabase(SampleBackup& backup, const QTemporaryDir& scratch, const QString& domain,
                 const QString& relativePath, const std::function<bool(const QString&, QString*)>& write)
{
    const QString path = scratch.filePath(QString::number(backup.entries.size()) + ".sqlite");
    QString error;
    if (!write(path, &error))
        return; // a sample without this database is still a usable sample
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    backup.addFile(domain, relativePath, file.readAll());
    file.close();
    QFile::remove(path);
}

} // namespace

void AddPhoneDatabases(SampleBackup& backup, const SampleOptions& options)
{
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return;
    const PhoneDataScale scale = PhoneDataScaleFor(options.scale);
    const uint64_t seed = options.seed;
    // The older layout stands for an iOS 9 phone: seconds in sms.db, the iOS 9
    // address-book numbering, the old call log and the old notes database.
    const bool modern = options.layout == SampleOptions::Layout::New;

    AddDatabase(backup, scratch, "HomeDomain", "Library/SMS/sms.db",
                [&](const QString& p, QString* e) { return WriteSmsDatabase(p, scale, seed, modern, e, nullptr, &backup.linkedFiles,
                                                                            options.unusualNames); });
    AddDatabase(backup, scratch, "HomeDomain", "Library/AddressBook/AddressBook.sqlitedb",
                [&](const QString& p, QString* e) { return WriteAddressBookDatabase(p, scale, seed, modern, e); });
    if (modern) {
        AddDatabase(backup, scratch, "HomeDomain", "Library/CallHistoryDB/CallHistory.storedata",
                    [&](const QString& p, QString* e) { return WriteCallHistoryDatabase(p, scale, seed, e); });
        AddDatabase(backup, scratch, "AppDomainGroup-group.com.apple.notes", "NoteStore.sqlite",
                    [&](const QString& p, QString* e) { return WriteNoteStoreDatabase(p, scale, seed, e); });
        // An upgraded phone keeps its old notes file beside the current store.
        AddDatabase(backup, scratch, "HomeDomain", "Library/Notes/notes.sqlite",
                    [&](const QString& p, QString* e) { return WriteOldNotesDatabase(p, scale, seed, true, e); });
    } else {
        AddDatabase(backup, scratch, "WirelessDomain", "Library/CallHistory/call_history.db",
                    [&](const QString& p, QString* e) { return WriteOldCallHistoryDatabase(p, scale, seed, e); });
        AddDatabase(backup, scratch, "HomeDomain", "Library/Notes/notes.sqlite",
                    [&](const QString& p, QString* e) { return WriteOldNotesDatabase(p, scale, seed, false, e); });
    }
    const QString waDomain = "AppDomainGroup-group.net.whatsapp.WhatsApp.shared";
    AddDatabase(backup, scratch, waDomain, "ChatStorage.sqlite",
                [&](const QString& p, QString* e) { return WriteChatStorageDatabase(p, scale, seed, false, e, &backup.linkedFiles); });
    AddDatabase(backup, scratch, waDomain, "ContactsV2.sqlite",
                [&](const QString& p, QString* e) { return WriteWhatsAppContactsDatabase(p, scale, seed, e); });
    AddDatabase(backup, scratch, waDomain, "LID.sqlite",
                [&](const QString& p, QString* e) { return WriteWhatsAppLidDatabase(p, scale, seed, e); });
    AddDatabase(backup, scratch, "AppDomainGroup-group.net.whatsapp.WhatsAppSMB.shared", "ChatStorage.sqlite",
                [&](const QString& p, QString* e) { return WriteChatStorageDatabase(p, scale, seed, true, e, &backup.linkedFiles); });
}
