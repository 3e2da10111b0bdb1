#pragma once

#include <cstdint>

#include "ReadingTable.h"

// Whether a sorts before b under a SortPriority: location ascending by unsigned bytes (a prefix
// first), type code ascending, and always last the time, newest first. A priority outside 1 to 5
// sorts by time alone.
bool compareReadings(int32_t priority, const Reading& a, const Reading& b);

// Sorts readings 0 to count-1 in place under the table's sortPriority.
void SortTable(ReadingTable& table);

// The priority a table of a single reading type is sorted and shown by: 1 and 3 become 2,
// 4 becomes 5, since there is no type to order by.
int32_t SingleTypePriority(int32_t priority);
