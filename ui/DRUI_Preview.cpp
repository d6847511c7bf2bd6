// Main window: the preview of the selected row.
// Stub bodies until the previews land.
#include "ui/DRUI.h"

void DRUI::tableItemClick(QTableWidgetItem*) {}
void DRUI::cameraTableItemSelectChanged() {}
void DRUI::photoStreamTableItemSelectChanged() {}
void DRUI::appPhotosTableItemSelectChanged() {}
void DRUI::appVideosTableItemSelectChanged() {}
void DRUI::appsTableItemSelectChanged() {}
void DRUI::messageTableItemSelectChanged() {}
void DRUI::messAttachTableItemSelectChanged() {}
void DRUI::contactsTableItemSelectChanged() {}
void DRUI::callHistoryTableItemSelectChanged() {}
void DRUI::notesTableItemSelectChanged() {}
void DRUI::whatsappMessageTableItemSelectChanged() {}
void DRUI::whatsappMessAttachTableItemSelectChanged() {}
void DRUI::appPhotosTableItemSelectDoubleClick(int, int) {}
void DRUI::appVideosTableItemSelectDoubleClick(int, int) {}
