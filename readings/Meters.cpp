#include "Meters.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr Meter kMeters[] = {
    {MeterKind::DissolvedOxygen, "do", "Brevanta Model Orvane D.O.", 50, 7},
    {MeterKind::SuspendedSolids, "ss", "Brevanta Model Tessil TSS", 50, 6},
    {MeterKind::MultiParameter, "multi", "Brevanta MultiParameter Portable", 250, 8},
};

}  // namespace

const Meter& MeterOf(MeterKind kind) {
  return *std::find_if(std::begin(kMeters), std::end(kMeters), [kind](const Meter& m) { return m.kind == kind; });
}

const Meter* MeterNamed(const std::string& name) {
  const auto found =
      std::find_if(std::begin(kMeters), std::end(kMeters), [&name](const Meter& m) { return name == m.name; });
  return found == std::end(kMeters) ? nullptr : found;
}

const char* UnitsName(int32_t units) {
  return units == UnitsMgPerLitre ? "mg/l" : units == UnitsPercentSaturation ? "sat" : "none";
}

bool ParseUnitsName(const std::string& name, int32_t& units) {
  for (int32_t u : {UnitsMgPerLitre, UnitsPercentSaturation, UnitsNotAsked}) {
    if (name == UnitsName(u)) {
      units = u;
      return true;
    }
  }
  return false;
}

std::string DataWindowTitle(MeterKind kind) { return std::string(MeterOf(kind).model) + " Logged Data"; }
