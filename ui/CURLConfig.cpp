#include "ui/CURLConfig.h"

CURLConfig::CURLConfig()
    : m_strUrls{
          "https://quillmere.example/",          // product page
          "https://quillmere.example/guide/",    // online user guide
          "https://quillmere.example/contact/",  // contact page
          "https://quillmere.example/contact/",  // contact page (support)
          "https://quillmere.example/",          // product page
      }
{
}

CURLConfig* CURLConfig::GetInstance()
{
    // Thread-safe lazy construction; lives until the process ends.
    static CURLConfig s_config;
    return &s_config;
}

const std::string& CURLConfig::GetUrl(int page) const
{
    if (page < 0 || page >= PAGE_COUNT)
        page = PRODUCT;
    return m_strUrls[page];
}
