// Main window: the results page, its category tree and tables.
// Stub bodies until the results page lands.
#include "ui/DRUI.h"

void DRUI::InitLayout3Widget() {}
void DRUI::CreateTree() {}
void DRUI::CreateCameraTable() {}
void DRUI::CreatePhotoStreamTable() {}
void DRUI::CreateAppPhotosTable() {}
void DRUI::CreateAppVideosTable() {}
void DRUI::CreateAppsTable() {}
void DRUI::CreateMessageTable() {}
void DRUI::CreateMessAttachTable() {}
void DRUI::CreateContactsTable() {}
void DRUI::CreateCallHistoryTable() {}
void DRUI::CreateNotesTable() {}
void DRUI::CreateWhatsappTable() {}
void DRUI::CreateWhatsappMessAttachTable() {}
