#include "engine/IphoneRecoveryFactory.h"

#include "engine/LocalBackupRecovery.h"

CIphoneRecoveryFactory* CIphoneRecoveryFactory::getInstance()
{
    static CIphoneRecoveryFactory s_iphoneFactory;
    return &s_iphoneFactory;
}

IPhoneRecoveryParse* CIphoneRecoveryFactory::CreateRecoveryParse(void* source, RECOVERY_TYPE type)
{
    if (type != RECOVERY_TYPE_LOCAL_BACKUP)
        return nullptr;
    IPhoneRecoveryParse* parse = new CLocalBuckupRecovery;
    parse->Init(source);
    return parse;
}
