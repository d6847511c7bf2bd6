// Main window: choosing a backup, its password, the decryptor and the scan.
// Stub bodies until the scan flow lands.
#include "ui/DRUI.h"

void DRUI::btnSlotSelect() {}

void DRUI::btnSlotScan() {}

void DRUI::btnSlotBack() {}

int DRUI::Scan(wchar_t*, int&)
{
    return 0;
}

void DRUI::CheckPasswordRecieve() {}

void DRUI::DecryptDataRecieve() {}

void DRUI::ReleaseRecoveryParse()
{
    // Nothing creates a recovery interface yet.
    m_pRecoveryParse = nullptr;
}
