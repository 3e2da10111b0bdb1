#pragma once

#include <cstdint>
#include <string>

#include "ReadingTable.h"

// Everything the program knows about one reading type code: its labels, how its numbers
// become text, and the scaling and range the download applies to the meter's raw value.
struct ReadingType {
  uint16_t code;
  const char* name;                 // on the command line: "do-ppm", "ph", ...
  const char* units;                // of the value, as other programs are given it: "mg/l", "mV"
  const char* rowLabel;             // in the type column of mixed layouts
  const char* multiParameterLabel;  // the row label when the meter is a multiparameter one; nullptr: rowLabel
  const char* singleTypeHeader;     // the value column's header when the table holds only this type
  const char* valueMask;            // below the threshold
  float threshold;                  // the value (as stored) from which the second mask applies
  const char* valueMaskFrom;        // at and above the threshold; nullptr: valueMask for every value
  bool hasTemperature;              // the temperature is meaningful and shown
  int divisor;                      // stored value = raw / divisor
  int32_t minRaw;
  int32_t maxRaw;
};

// The type of a code, or nullptr for an unknown one.
const ReadingType* FindReadingType(uint16_t code);

// The names of the types on the command line, and the code of one.
std::string ReadingTypeNames();  // "do-ppm|do-sat|...", for messages
bool ParseReadingTypeName(const std::string& name, uint16_t& code);

// The row label of a type as the given meter names it (code 35 depends on the meter), and a
// value in the type's number format.
const char* RowLabel(const ReadingType& type, MeterKind meter);
std::string ValueText(const ReadingType& type, float value);

// What the grid shows of one reading besides its location and time.
struct RowTexts {
  std::string label;  // the type column
  std::string value;
  std::string temperature;  // empty for types without a meaningful temperature
};

// The texts of the reading at index (0 to count-1); an unknown code is labelled "Unknown".
RowTexts rowTexts(const ReadingTable& table, int index);

// The layout of readings 0 to count-1; sets singleTypeLabel for the single-type layouts and
// leaves it as it was for the mixed ones.
GridLayout classifyTable(ReadingTable& table);
