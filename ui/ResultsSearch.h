// Find-as-you-type over a table of the results page: rows that do not hold the
// query are hidden, never unticked or removed, so the selection maps (which
// index rows) and the summary stay as they are.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/TextSearch.h"

class QTableWidget;

namespace ResultsSearch {

// Texts a row is found by beyond its cells (a conversation's messages), as
// pointers that stay valid while the index is built.
using RowTexts = std::function<std::vector<const std::string*>(int row)>;

// Shows the rows of `table` holding the query and hides the others; an empty
// query shows every row. The table's index is built on first use and again
// after its rows change. Returns the number of rows shown.
int Apply(QTableWidget* table, const TextSearch::Query& query, const RowTexts& rowTexts = {});

// The first row not hidden, or -1.
int FirstShownRow(const QTableWidget* table);

} // namespace ResultsSearch
