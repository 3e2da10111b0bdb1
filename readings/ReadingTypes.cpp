#include "ReadingTypes.h"

#include <algorithm>
#include <iterator>

#include "NumberFormat.h"

namespace {

constexpr int32_t kNoUpperLimit = 32767;  // the largest signed 16-bit raw value

// In the order the command line lists them. Classification tests them in this order too:
// with no readings at all the first row decides.
constexpr ReadingType kReadingTypes[] = {
    {30, "do-ppm", "ppm", "D.O. (ppm)", nullptr, "D.O. (ppm)", "#0.00", 4.0f, "#0.0", true, 100, 0, 9999},
    {286, "do-sat", "%Sat", "D.O. (%Sat)", nullptr, "D.O. (%Sat)", "#0.0", 50.0f, "##0", true, 10, 0, 9999},
    {542, "do-mgl", "mg/l", "D.O. (mg/l)", nullptr, "D.O. (mg/l)", "#0.00", 4.0f, "#0.0", true, 100, 0, 9999},
    {34, "ss-low", "mg/l", "SS-Low(mg/l)", nullptr, "SS (mg/l)", "##0.0", 10.0f, "###0", false, 10, 0, kNoUpperLimit},
    {35, "ss-high", "mg/l", "SS (mg/l)", "SS-Hi(mg/l)", "SS (mg/l)", "####0", 0.0f, nullptr, false, 1, 0,
     kNoUpperLimit},
    {38, "ph", "pH", "pH", nullptr, "pH", "#0.00", 0.0f, nullptr, true, 100, 0, 1400},
    {294, "orp-us", "mV", "ORP (mV-U.S.)", nullptr, "ORP (mV)", "###0", 0.0f, nullptr, true, 1, -2000, 2000},
    {550, "orp-eur", "mV", "ORP (mV-Eur)", nullptr, "ORP (mV)", "###0", 0.0f, nullptr, true, 1, -2000, 2000},
};

// Only the row texts ever meet an unknown code; the download discards such readings.
// no-mutate(1, 0, -1): an empty valid range, so it never decodes a value
constexpr ReadingType kUnknownType = {0, "", "", "Unknown", nullptr, "", "###0", 0.0f, nullptr, false, 1, 0, -1};

constexpr const char* kTemperatureMask = "#0.0";

}  // namespace

const ReadingType* FindReadingType(uint16_t code) {
  const auto found = std::find_if(std::begin(kReadingTypes), std::end(kReadingTypes),
                                  [code](const ReadingType& type) { return type.code == code; });
  return found == std::end(kReadingTypes) ? nullptr : found;
}

std::string ReadingTypeNames() {
  std::string names;
  for (const ReadingType& type : kReadingTypes) names += (names.empty() ? "" : "|") + std::string(type.name);
  return names;
}

bool ParseReadingTypeName(const std::string& name, uint16_t& code) {
  for (const ReadingType& type : kReadingTypes) {
    if (name == type.name) {
      code = type.code;
      return true;
    }
  }
  return false;
}

const char* RowLabel(const ReadingType& type, MeterKind meter) {
  return meter == MeterKind::MultiParameter && type.multiParameterLabel ? type.multiParameterLabel : type.rowLabel;
}

std::string ValueText(const ReadingType& type, float value) {
  const bool from = type.valueMaskFrom && value >= type.threshold;
  return formatNumber(value, from ? type.valueMaskFrom : type.valueMask);
}

RowTexts rowTexts(const ReadingTable& table, int index) {
  const Reading& reading = table.readings[static_cast<size_t>(index)];
  const ReadingType* found = FindReadingType(reading.type);
  const ReadingType& type = found ? *found : kUnknownType;
  return {RowLabel(type, reading.meter.value_or(table.meterKind)), ValueText(type, reading.value),
          type.hasTemperature ? formatNumber(reading.temperature, kTemperatureMask) : std::string()};
}

GridLayout classifyTable(ReadingTable& table) {
  const auto first = table.readings.begin();
  const auto last = first + table.count;
  for (const ReadingType& type : kReadingTypes) {
    if (std::all_of(first, last, [&type](const Reading& reading) { return reading.type == type.code; })) {
      table.singleTypeLabel = type.singleTypeHeader;
      return type.hasTemperature ? SingleTypeTemp : SingleType;
    }
  }
  const bool anyTemperature = std::any_of(first, last, [](const Reading& reading) {
    const ReadingType* type = FindReadingType(reading.type);
    return type && type->hasTemperature;
  });
  return anyTemperature ? MixedTypesTemp : MixedTypes;
}
