// Space (or Select) on a row or node of the results page toggles its tick the
// way a click on its check box does, and reports it as that click, so the
// selection maps always agree with what the check boxes show.
#pragma once

class QTableWidget;
class QTreeWidget;

void RouteTickKeys(QTableWidget* table);
void RouteTickKeys(QTreeWidget* tree);
