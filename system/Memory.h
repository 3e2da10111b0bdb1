#pragma once

#include <cstddef>

// Makes ready, in one step, about `bytes` of memory that a large job is about to fill: a history
// of thousands of downloads otherwise stops at a fault for every page it touches, and on a
// virtual machine those faults cost a quarter of its time. What is freed later is kept for
// what comes after. Only a hint: where the system offers no such step, nothing happens.
void PrepareMemory(size_t bytes);
