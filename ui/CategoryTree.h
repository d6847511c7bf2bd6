// The eleven categories of the results page: node labels, how a label names
// its category, and which page of the category stack shows it.
#pragma once

#include <QString>

class DRUI;

namespace CategoryTree {

constexpr int kCategoryCount = 11;

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

} // namespace CategoryTree
