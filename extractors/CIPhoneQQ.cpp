#include "extractors/CIPhoneQQ.h"

#include "support/SafePath.h"

int CIPhoneQQ::GetQQInfo(const char*, std::map<std::string, std::vector<__QQ_MESSAGE__>>& conversations)
{
    conversations.clear();
    return 0;
}

std::string QQAccountName(const std::string& manifestName)
{
    const size_t end = manifestName.find("/QQ.db");
    if (end == std::string::npos)
        return std::string();
    const size_t slash = end == 0 ? std::string::npos : manifestName.rfind('/', end - 1);
    const size_t begin = slash == std::string::npos ? 0 : slash + 1;
    // Account names end up in folder names: keep them one bounded, safe component.
    return SafePathComponent(manifestName.substr(begin, end - begin));
}
