// Main window: recovery of the ticked items to a folder.
// Stub bodies until the recovery flow lands.
#include "ui/DRUI.h"

void DRUI::btnRecovery() {}

void DRUI::RecoveryProcess() {}
