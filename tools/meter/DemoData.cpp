#include "DemoData.h"

#include <span>

namespace {

// Reading type codes as the multiparameter meter logs them.
constexpr uint16_t doPpm = 30;
constexpr uint16_t doSat = 286;
constexpr uint16_t doMgl = 542;
constexpr uint16_t ssLow = 34;
constexpr uint16_t ssHigh = 35;
constexpr uint16_t pH = 38;
constexpr uint16_t orpUs = 294;
constexpr uint16_t orpEur = 550;

// One logged reading: when, where, the raw value as the meter stores it (its unit depends on the
// type), the temperature in tenths of a degree and, on the multiparameter meter, the type.
// Slots missing from a table stay empty.
struct DemoRow {
  int slot;
  int month, day, hour, minute;
  const char* location;
  int raw;
  int temperatureTenths = 0;
  uint16_t type = 0;
};

// Autumn rounds of a treatment works, 15 September to 27 October. Slots 82 to 249 are empty.
// Slot 33 (lower-case location) and slot 60 (temperature 100.0) are faulty records that a
// downloader must drop.
const DemoRow multiLog[] = {
    // slot, month, day, hour, minute, location, raw, temperature x10, type
    {0, 9, 15, 8, 20, "OUTFL", 266, 96, orpUs},       {1, 9, 15, 8, 39, "RIVER", 1005, 54, doSat},
    {2, 9, 15, 9, 17, "TANK2", 1037, 164, ssHigh},    {3, 9, 15, 9, 45, "INLET", 399, 175, doMgl},
    {4, 9, 16, 8, 4, "INLET", 750, 174, pH},          {5, 9, 16, 8, 22, "RIVER", 1089, 61, doSat},
    {6, 9, 16, 8, 51, "WELL 3", 657, 123, pH},        {7, 9, 16, 9, 43, "OUTFL", 112, 118, orpUs},
    {8, 9, 18, 8, 35, "CLAR1", 2505, 118, ssLow},     {11, 9, 18, 9, 24, "INLET", 753, 159, pH},
    {12, 9, 18, 10, 14, "RIVER", 1234, 56, doMgl},    {13, 9, 18, 11, 6, "TANK2", 1569, 147, ssHigh},
    {14, 9, 22, 8, 35, "INLET", 752, 127, pH},        {15, 9, 22, 9, 29, "AER 2", 908, 218, doSat},
    {16, 9, 22, 10, 11, "DIGST", -370, 354, orpEur},  {17, 9, 22, 11, 3, "POND A", 792, 78, pH},
    {18, 9, 22, 11, 33, "DIGST", -404, 362, orpEur},  {19, 9, 22, 12, 37, "AER 2", 499, 188, doSat},
    {20, 9, 23, 8, 31, "WELL 3", -186, 114, orpUs},   {21, 9, 23, 9, 24, "INLET", 699, 185, pH},
    {22, 9, 23, 10, 5, "AER 1", 237, 169, doMgl},     {24, 9, 23, 10, 51, "OUTFL", 110, 99, orpUs},
    {25, 9, 23, 11, 54, "POND A", 143, 141, orpEur},  {26, 9, 25, 8, 20, "WELL 3", -211, 124, orpUs},
    {27, 9, 25, 9, 6, "TANK2", 2668, 108, ssHigh},    {28, 9, 25, 10, 14, "INLET", 701, 180, pH},
    {29, 9, 25, 11, 13, "WELL 3", 658, 106, pH},      {30, 9, 25, 12, 14, " SUMP", -221, 125, orpUs},
    {31, 9, 29, 8, 28, "WELL 3", -202, 116, orpUs},   {32, 9, 29, 8, 44, "POND A", 790, 61, pH},
    {33, 9, 29, 9, 38, "pond b", 743, 127, pH},       {34, 9, 29, 10, 6, "DIGST", -377, 344, orpEur},
    {35, 9, 29, 11, 8, "AER 2", 807, 200, doSat},     {36, 10, 2, 8, 31, "AER 1", 455, 201, doMgl},
    {39, 10, 2, 9, 21, "CLAR1", 100, 155, ssLow},     {40, 10, 2, 10, 31, "POND A", -8, 130, orpEur},
    {41, 10, 2, 11, 12, "OUTFL", 399, 138, doPpm},    {42, 10, 6, 8, 9, "AER 1", 475, 179, doMgl},
    {43, 10, 6, 9, 6, "AER 2", 500, 212, doSat},      {44, 10, 6, 10, 14, "TANK2", 1234, 133, ssHigh},
    {45, 10, 6, 10, 47, "INLET", 400, 173, doMgl},    {46, 10, 9, 8, 23, "TANK2", 2105, 116, ssHigh},
    {47, 10, 9, 9, 22, "RIVER", 1063, 43, doSat},     {48, 10, 9, 10, 6, "RIVER", 1086, 130, doSat},
    {49, 10, 9, 10, 46, "OUTFL", 200, 103, orpUs},    {50, 10, 9, 11, 31, "WELL 3", 700, 106, pH},
    {51, 10, 9, 11, 58, "INLET", 706, 176, pH},       {53, 10, 13, 8, 7, "TANK2", 0, 113, ssHigh},
    {54, 10, 13, 8, 22, "TANK2", 1419, 168, ssHigh},  {55, 10, 13, 8, 43, "OUTFL", 400, 93, doPpm},
    {56, 10, 13, 9, 2, "RIVER", 906, 126, doSat},     {57, 10, 13, 9, 26, "WELL 3", 682, 116, pH},
    {58, 10, 16, 8, 23, "INLET", 694, 182, pH},       {59, 10, 16, 9, 7, "POND A", 823, 0, pH},
    {60, 10, 16, 9, 27, "AER 1", 176, 1000, doMgl},   {61, 10, 16, 10, 29, "CLAR1", 285, 120, ssLow},
    {62, 10, 16, 11, 17, "INLET", 425, 187, doMgl},   {63, 10, 20, 8, 9, "POND A", -137, 37, orpEur},
    {64, 10, 20, 8, 57, "CLAR1", 99, 133, ssLow},     {65, 10, 20, 9, 45, "OUTFL", 685, 135, doPpm},
    {67, 10, 20, 10, 49, "AER 2", 945, 219, doSat},   {68, 10, 20, 11, 53, "POND A", 18, 121, orpEur},
    {69, 10, 20, 12, 22, "TANK2", 1599, 130, ssHigh}, {70, 10, 23, 8, 25, "DIGST", -392, 346, orpEur},
    {71, 10, 23, 9, 13, "POND A", 791, -50, pH},      {72, 10, 23, 9, 29, "INLET", 435, 180, doMgl},
    {73, 10, 23, 10, 0, "AER 2", 752, 207, doSat},    {74, 10, 23, 11, 6, "WELL 3", -211, 116, orpUs},
    {76, 10, 23, 11, 26, "AER 2", 504, 179, doSat},   {77, 10, 27, 8, 12, "AER 2", 894, 150, doSat},
    {78, 10, 27, 8, 57, "WELL 3", 694, 125, pH},      {79, 10, 27, 9, 17, "RIVER", 861, 129, doSat},
    {80, 10, 27, 10, 22, "WELL 3", -150, 111, orpUs}, {81, 10, 27, 11, 7, "AER 1", 261, 192, doMgl},
};

// The dissolved-oxygen meter stores the number shown on its display: hundredths of mg/l or
// tenths of %Sat, whichever units the operator had selected. Slots 34 to 49 are empty.
const DemoRow doLog[] = {
    // slot, month, day, hour, minute, location, raw, temperature x10
    {0, 9, 14, 8, 2, "INLET", 812, 171},     {1, 9, 14, 8, 40, "AER 1", 215, 193},
    {2, 9, 14, 9, 15, "AER 2", 399, 190},    {3, 9, 14, 10, 1, "OUTFL", 688, 152},
    {4, 9, 15, 8, 12, "POND A", 1005, 144},  {6, 9, 15, 9, 30, "AER 1", 400, 189},
    {7, 9, 17, 8, 5, "RIVER", 1034, 98},     {8, 9, 17, 8, 48, "INLET", 425, 168},
    {9, 9, 17, 9, 33, "AER 2", 435, 187},    {10, 9, 21, 8, 16, "OUTFL", 702, 139},
    {11, 9, 21, 9, 2, "POND B", 499, 121},   {13, 9, 21, 10, 44, "AER 1", 475, 182},
    {14, 9, 24, 8, 9, "WELL 3", 0, 118},     {15, 9, 24, 8, 51, "INLET", 455, 166},
    {16, 9, 24, 9, 37, "POND A", 500, 119},  {17, 9, 28, 8, 20, "AER 2", 198, 176},
    {18, 9, 28, 9, 4, "OUTFL", 731, 128},    {19, 9, 28, 10, 12, "RIVER", 1187, 84},
    {21, 10, 3, 8, 30, "INLET", 590, 154},   {22, 10, 3, 9, 18, "AER 1", 263, 171},
    {23, 10, 3, 10, 3, "POND B", 9999, 102}, {24, 10, 8, 8, 14, "CLAR1", 312, 150},
    {25, 10, 8, 8, 59, "OUTFL", 745, 117},   {26, 10, 8, 9, 40, "RIVER", 1102, 71},
    {28, 10, 14, 8, 25, "AER 2", 241, 163},  {29, 10, 14, 9, 11, "POND A", 872, 64},
    {30, 10, 21, 8, 33, "INLET", 634, 141},  {31, 10, 21, 9, 17, "POND B", 1153, 22},
    {32, 10, 27, 8, 6, "RIVER", 1240, -8},   {33, 10, 27, 8, 52, "OUTFL", 798, 0},
};

// Suspended solids in mg/l; this meter logs no temperature. Slots 33 to 49 are empty.
const DemoRow ssLog[] = {
    // slot, month, day, hour, minute, location, raw
    {0, 9, 14, 8, 10, "INLET", 212},    {1, 9, 14, 8, 45, "CLAR1", 38},     {2, 9, 14, 9, 20, "OUTFL", 9},
    {3, 9, 14, 10, 5, "TANK2", 1234},   {4, 9, 15, 8, 15, "RAS 1", 6850},   {5, 9, 15, 9, 2, "INLET", 187},
    {6, 9, 15, 9, 48, "CLAR1", 41},     {8, 9, 17, 8, 12, "OUTFL", 0},      {9, 9, 17, 8, 57, "DIGST", 24500},
    {10, 9, 17, 9, 41, "TANK2", 1512},  {11, 9, 21, 8, 8, "INLET", 265},    {12, 9, 21, 8, 50, "CLAR1", 99},
    {13, 9, 21, 9, 36, "OUTFL", 100},   {14, 9, 24, 8, 20, "RAS 1", 7120},  {16, 9, 24, 9, 51, "INLET", 230},
    {17, 9, 28, 8, 4, "CLAR1", 35},     {18, 9, 28, 8, 46, "OUTFL", 12},    {19, 9, 28, 9, 33, "TANK2", 980},
    {20, 10, 3, 8, 18, "DIGST", 31990}, {21, 10, 3, 9, 5, "INLET", 244},    {22, 10, 3, 9, 47, "RAS 1", 6604},
    {23, 10, 8, 8, 11, "CLAR1", 52},    {25, 10, 8, 9, 39, "OUTFL", 7},     {26, 10, 14, 8, 27, "INLET", 198},
    {27, 10, 14, 9, 12, "TANK2", 1105}, {28, 10, 21, 8, 16, "CLAR1", 47},   {29, 10, 21, 9, 1, "OUTFL", 15},
    {30, 10, 27, 8, 9, "INLET", 276},   {31, 10, 27, 8, 58, "RAS 1", 7333}, {32, 10, 27, 9, 44, "DIGST", 28750},
};

// Minutes since 1 January 00:00, counted in a common year as the meter's clock does.
int32_t MinutesIntoYear(int month, int day, int hour, int minute) {
  static const int daysBeforeMonth[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  return ((daysBeforeMonth[month - 1] + day - 1) * 24 + hour) * 60 + minute;
}

std::span<const DemoRow> DemoLog(MeterKind kind) {
  switch (kind) {
    case MeterKind::DissolvedOxygen: return doLog;
    case MeterKind::SuspendedSolids: return ssLog;
    case MeterKind::MultiParameter: return multiLog;
  }
  return {};
}

}  // namespace

void StoreDemoReadings(Meter& meter) {
  for (const DemoRow& row : DemoLog(meter.kind)) {
    StoreReading(meter, row.slot,
                 {row.location, static_cast<int16_t>(row.raw), static_cast<int16_t>(row.temperatureTenths),
                  MinutesIntoYear(row.month, row.day, row.hour, row.minute), row.type});
  }
}
