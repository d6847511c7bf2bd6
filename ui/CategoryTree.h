// The eleven categories on the results page: node labels (from the core's
// category table), how a label names its category, its icon and which page of
// the category stack shows it.
#pragma once

#include <QString>

#include "engine/Categories.h"

class DRUI;
class QTreeWidgetItem;

namespace CategoryTree {

constexpr int kCategoryCount = CATEGORY_COUNT;

// Label format of a category's node ("Camera Roll(%1)" ...); empty when out of range.
QString LabelFormat(int category);

// The label with a count put in, e.g. "Notes(3)".
QString Label(int category, unsigned count);

// Category named by a node label: the first of the eleven label prefixes that
// the label contains, in node order; -1 when none.
int CategoryOfLabel(const QString& label);

// Index of the category's page in the category stack; -1 when out of range.
int PageIndex(int category);

// Resource path of the category's node icon.
QString IconPath(int category);

// The number of records the window holds for a category.
unsigned Count(const DRUI& window, int category);

// Shows a category's node as a finished fetch leaves it: its count in the label,
// ticked when it holds anything, its table filled.
void ShowFetched(DRUI& window, QTreeWidgetItem* node, int category);

} // namespace CategoryTree
