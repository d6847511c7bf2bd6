// Main window: filling the category tables, ticking and the selection summary.
// Stub bodies until the tree and ticking land.
#include "ui/DRUI.h"

void DRUI::UpdateTreeInfo(QTreeWidgetItem*, int, bool) {}
void DRUI::SetTreeChildCheckState(QTreeWidgetItem*, int) {}
void DRUI::SetTreeParentCheckState(QTreeWidgetItem*) {}
void DRUI::treeItemClick(QTreeWidgetItem*, int) {}
void DRUI::treeItemSelectChanged() {}
void DRUI::cameraTableItemPress(int, int) {}
void DRUI::photoStreamTableItemPress(int, int) {}
void DRUI::appPhotosTableItemPress(int, int) {}
void DRUI::appVideosTableItemPress(int, int) {}
void DRUI::appsTableItemPress(int, int) {}
void DRUI::messageTableItemPress(int, int) {}
void DRUI::messageAttachTableItemPress(int, int) {}
void DRUI::contactsTableItemPress(int, int) {}
void DRUI::callHistoryTableItemPress(int, int) {}
void DRUI::notesTableItemPress(int, int) {}
void DRUI::whatsappTableItemPress(int, int) {}
void DRUI::whatsappAttachTableItemPress(int, int) {}
void DRUI::tableItemPress(int, int, QTableWidget*, std::map<unsigned, unsigned>&) {}
void DRUI::tableAppsItemPress(int, int, QTableWidget*, std::map<unsigned, unsigned>&, QTableWidget*) {}
void DRUI::RefreshAppFileNode() {}
void DRUI::RefreshSelectFileInfo() {}
