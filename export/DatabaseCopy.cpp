#include "export/DatabaseCopy.h"

#include <cerrno>
#include <vector>

#include <sys/stat.h>

#include <QString>

#include "engine/IphoneBackupFile.h"
#include "support/Platform.h"
#include "support/WrittenFiles.h"

namespace {
// The engine's copy reports its own result; the file must also be there, and it gets
// the export permissions (the engine's copy may leave others).
int Checked(int result, const std::string& target)
{
    struct stat st;
    if (result == 0 && (::lstat(target.c_str(), &st) != 0 || !S_ISREG(st.st_mode)))
        result = ENOENT;
    if (result == 0) {
        QmPlatform::SetExportFileMode(QString::fromStdString(target));
        // The copy the engine made is part of what the run wrote.
        NoteWrittenFileFromDisk(target);
    }
    return result;
}

std::vector<char> Mutable(const std::string& s)
{
    std::vector<char> buf(s.begin(), s.end());
    buf.push_back('\0');
    return buf;
}
}

std::string EngineDeviceName(CIphoneBackupFile* engine)
{
    // The selected backup's record (what GetSelectBackUpFileInfo points to).
    return engine ? engine->m_selected.strDisplayName : std::string();
}

int EngineCopyMessageDatabase(CIphoneBackupFile* engine, const std::string& target)
{
    if (!engine)
        return EINVAL;
    std::vector<char> path = Mutable(target);
    return Checked(engine->RecoverySMSMessage(path.data()), target);
}

int EngineCopyContactsDatabase(CIphoneBackupFile* engine, const std::string& target)
{
    if (!engine)
        return EINVAL;
    std::vector<char> path = Mutable(target);
    return Checked(engine->RecoveryPersonContacts(path.data()), target);
}
