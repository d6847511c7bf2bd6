// Keybags for encrypted sample backups: the header with the key-derivation
// parameters and one password-wrapped key per protection class, in the record
// order real backups use.
#pragma once

#include <cstdint>
#include <map>
#include <set>

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include "tools/sample/SampleRandom.h"

struct SampleKeybagPlan {
    QByteArray password;             // UTF-8
    bool doubleProtection = true;    // DPSL/DPIC (iOS 10.2 and later)
    uint32_t iterations = 10000;     // ITER
    uint32_t dpIterations = 10000000;  // DPIC
    // Classes recorded with WRAP 3 (device and password): unusable off the phone.
    std::set<uint32_t> deviceBoundClasses;
    // Extra header records (e.g. an unknown tag a reader must ignore).
    QList<QPair<QByteArray, QByteArray>> extraHeaderRecords;
};

struct SampleKeybag {
    QByteArray bytes;                        // the BackupKeyBag value
    std::map<uint32_t, QByteArray> classKeys;  // classes 1-11, 32 bytes each
};

// One tag/length/value record.
QByteArray KeybagRecord(const char* tag, const QByteArray& value);
QByteArray KeybagRecordU32(const char* tag, uint32_t value);

bool BuildSampleKeybag(const SampleKeybagPlan& plan, SampleRandom& random, SampleKeybag* out, QString* error);
