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

std::string DataWindowTitle(MeterKind kind) { return std::string(MeterOf(kind).model) + " Logged Data"; }
