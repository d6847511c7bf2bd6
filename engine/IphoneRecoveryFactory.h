// Hands out the reader for a kind of source; the caller owns what it returns.
#pragma once

#include "engine/BackupRecords.h"
#include "engine/IPhoneRecoveryParse.h"

class CIphoneRecoveryFactory {
public:
    static CIphoneRecoveryFactory* getInstance();
    // A local-backup reader over the engine `source` for type 1; null otherwise.
    IPhoneRecoveryParse* CreateRecoveryParse(void* source, RECOVERY_TYPE type);

private:
    CIphoneRecoveryFactory() = default;
};
