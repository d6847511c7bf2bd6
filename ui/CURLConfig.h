// The web addresses the window's help buttons open. One instance per process.
#pragma once

#include <string>

class CURLConfig {
public:
    enum Page { PRODUCT = 0, USER_GUIDE = 1, CONTACT = 2, SUPPORT = 3, PRODUCT_HOME = 4, PAGE_COUNT = 5 };

    static CURLConfig* GetInstance();

    const std::string& GetUrl(int page) const;

private:
    CURLConfig();

    const std::string m_strUrls[PAGE_COUNT];
};
