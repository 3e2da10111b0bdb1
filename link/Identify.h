#pragma once

#include <cstdint>

#include "MeterLink.h"
#include "ReadingTable.h"

// Asks the meter what it is (Report Slave ID). On 0 meterKind, recordCount and
// registersPerRecord are set; on failure they are unchanged and LastErrorText says why.
int32_t IdentifyMeter(MeterLink& link);

// For meters that do not identify themselves: reads record 0 in the dissolved-oxygen
// layout. A reply that fits says dissolved oxygen, one that does not (code 3) suspended
// solids; any other code fails the download. Forgets the units choice.
int32_t RunFallbackProbe(MeterLink& link, ReadingTable& table);

// The kind, with its record count and registers per record.
void SetMeterKind(MeterLink& link, MeterKind kind);
