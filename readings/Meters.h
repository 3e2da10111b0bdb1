#pragma once

#include <cstdint>
#include <string>

#include "ReadingTable.h"

// Everything that differs from one kind of meter to the next, but for the decoding of its
// records: its names wherever the program shows or writes them, and the layout of its log.
struct Meter {
  MeterKind kind;
  const char* name;   // in kept downloads and on the command line: "do", "ss", "multi"
  const char* model;  // "Brevanta Model Orvane D.O.", as the report names it
  int32_t recordCount;
  int32_t registersPerRecord;
};

const Meter& MeterOf(MeterKind kind);

// The meter of a short name, or nullptr for none.
const Meter* MeterNamed(const std::string& name);

// The dissolved-oxygen meter does not say its units; the operator is asked once a run. The
// one form of the answer everywhere: the reading type it makes of the meter's values.
enum DoUnits : int32_t { UnitsNotAsked = 0, UnitsPercentSaturation = 286, UnitsMgPerLitre = 542 };

// The units' names in kept downloads and on the command line: "mg/l", "sat", or "none" for
// not asked; the units of a name, false for no name of them.
const char* UnitsName(int32_t units);
bool ParseUnitsName(const std::string& name, int32_t& units);

// The title of the data window of a meter's readings, "<model> Logged Data".
std::string DataWindowTitle(MeterKind kind);
