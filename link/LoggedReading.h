#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "MeterLink.h"
#include "ReadingTable.h"

// The units question of the dissolved-oxygen meter, which does not say its units itself.
extern const char* const kUnitsTitle;
extern const char* const kUnitsQuestion[3];
extern const char* const kUnitsMgPerLitre;  // the answer 1
extern const char* const kUnitsSaturation;  // the answer 2, as is any answer but 1

// The answer to the question that gives these units: 1, 2, or 0 for no answer.
int32_t UnitsAnswer(int32_t doUnits);

// The request for record i: slave 1, Read Input Registers, start i x R, count R.
std::string RecordRequest(int32_t record, int32_t registersPerRecord);

// Decodes one record's registers (6, 7 or 8 of them, in the meter's layout) into `reading`
// and checks it: discard 1 when it holds no plausible reading. A dissolved-oxygen record
// takes the units already chosen, or asks `unitsPrompt` at the first record that passes
// every other check. `now` places the reading in its year.
void DecodeRecord(const std::vector<uint16_t>& registers, MeterKind kind, const CivilTime& now, int32_t& doUnitsChoice,
                  const std::function<int32_t()>& unitsPrompt, Reading& reading);

// Fetches record i into slot i of the table and checks it. 0 means the exchange succeeded,
// whether or not the reading was kept (the slot's discard says which); any other code is a
// failed exchange or a reply of the wrong shape, with LastErrorText set.
int32_t ReadLoggedReading(MeterLink& link, ReadingTable& table, int32_t record);
