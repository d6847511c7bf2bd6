// Stand-in until the engine's CIphoneBackupFile lands on main: no device name and no
// database copies. Replaced by the real calls then.
#include "export/RecoveryEngineLink.h"

#include <cerrno>

std::string EngineDeviceName(CIphoneBackupFile*)
{
    return std::string();
}

int EngineCopyMessageDatabase(CIphoneBackupFile*, const std::string&)
{
    return ENOSYS;
}

int EngineCopyContactsDatabase(CIphoneBackupFile*, const std::string&)
{
    return ENOSYS;
}
