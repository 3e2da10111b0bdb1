#include "LoggedReading.h"

#include <cstdio>

#include "ErrorText.h"
#include "ReadingTypes.h"
#include "Timestamp.h"
#include "Transact.h"

const char* const kUnitsTitle = "Model Orvane";
const char* const kUnitsQuestion[3] = {"Please choose which type of D.O. units were selected",
                                       "for use on this Model Orvane Dissolved Oxygen",
                                       "meter when the data was logged."};
const char* const kUnitsMgPerLitre = "mg/l  (PPM)";
const char* const kUnitsSaturation = "% of Saturation";

namespace {

constexpr uint8_t kReadInputRegisters = 0x04;
constexpr int32_t kTemperatureLimit = 999;  // tenths of a degree either side of zero
constexpr uint16_t kSuspendedSolids = 35;

// Six location bytes of digits, capitals and spaces, in registers 0 to 2, with at least one
// digit or capital; anything else (lower case, punctuation, an empty slot's 0xFF) marks no
// location.
bool DecodeLocation(const std::vector<uint16_t>& registers, std::string& location) {
  std::string text;
  bool named = false;
  for (size_t i = 0; i < 6; ++i) {
    const auto c = static_cast<uint8_t>(i % 2 == 0 ? registers[i / 2] >> 8 : registers[i / 2] & 0xFF);
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z')) {
      named = true;
    } else if (c != ' ') {
      return false;
    }
    text += static_cast<char>(c);
  }
  if (!named) return false;
  const size_t first = text.find_first_not_of(' ');
  location = text.substr(first, text.find_last_not_of(' ') - first + 1);
  return true;
}

// The type code of a record, before the dissolved-oxygen units are known. Both units have
// the same raw range, so the range check may come before the operator is asked.
uint16_t RecordType(MeterKind kind, int32_t doUnitsChoice, uint16_t typeRegister) {
  switch (kind) {
    case MeterKind::DissolvedOxygen:
      return static_cast<uint16_t>(doUnitsChoice != UnitsNotAsked ? doUnitsChoice : UnitsMgPerLitre);
    case MeterKind::SuspendedSolids: return kSuspendedSolids;
    case MeterKind::MultiParameter: return typeRegister;
  }
  return 0;
}

}  // namespace

int32_t UnitsAnswer(int32_t doUnits) {
  return doUnits == UnitsMgPerLitre ? 1 : doUnits == UnitsPercentSaturation ? 2 : 0;
}

std::string RecordRequest(int32_t record, int32_t registersPerRecord) {
  char text[16];
  std::snprintf(text, sizeof text, ":0104%04X%04X", static_cast<unsigned>(record * registersPerRecord) & 0xFFFF,
                static_cast<unsigned>(registersPerRecord) & 0xFFFF);
  return text;
}

void DecodeRecord(const std::vector<uint16_t>& registers, MeterKind kind, const CivilTime& now, int32_t& doUnitsChoice,
                  const std::function<int32_t()>& unitsPrompt, Reading& reading) {
  reading.discard = 1;
  const size_t count = registers.size();
  if (count < 6 || !DecodeLocation(registers, reading.location)) return;
  const auto raw = static_cast<int16_t>(registers[3]);
  const bool hasTemperature = count > 6;
  const int16_t temperatureTenths = hasTemperature ? static_cast<int16_t>(registers[4]) : int16_t{0};
  const size_t timeRegister = hasTemperature ? 5 : 4;
  const auto minutes =
      static_cast<int32_t>(static_cast<uint32_t>(registers[timeRegister]) << 16 | registers[timeRegister + 1]);
  reading.timestamp = MinutesToTimestamp(minutes, now);
  reading.temperature = static_cast<float>(temperatureTenths / 10.0);
  if (temperatureTenths < -kTemperatureLimit || temperatureTenths > kTemperatureLimit) return;

  const uint16_t typeRegister = count > 7 ? registers[7] : uint16_t{0};
  const ReadingType* type = FindReadingType(RecordType(kind, doUnitsChoice, typeRegister));
  if (type == nullptr || raw < type->minRaw || raw > type->maxRaw) return;
  if (kind == MeterKind::DissolvedOxygen && doUnitsChoice == UnitsNotAsked) {
    const bool mgPerLitre = unitsPrompt && unitsPrompt() == 1;
    doUnitsChoice = mgPerLitre ? UnitsMgPerLitre : UnitsPercentSaturation;
    type = FindReadingType(static_cast<uint16_t>(doUnitsChoice));
  }
  reading.type = type->code;
  reading.value = static_cast<float>(static_cast<double>(raw) / type->divisor);
  reading.discard = 0;
}

int32_t ReadLoggedReading(MeterLink& link, ReadingTable& table, int32_t record) {
  link.LastErrorText = "No Error";
  Reading& reading = table.readings.at(static_cast<size_t>(record));
  const int32_t registers = link.registersPerRecord;
  const int32_t code = Transact(link, RecordRequest(record, registers));
  const ReplyBytes& r = link.ReplyBuffer;
  int32_t failure = code;
  // A reply shorter than its byte count would leave an earlier reply's bytes to be decoded.
  if (code == 0 && (r.At(1) != kSlave || r.At(2) != kReadInputRegisters || r.At(3) != 2 * registers ||
                    link.replyLength != 3 + 2 * registers + 1)) {
    failure = InvalidReply;
  }
  if (failure != 0) {
    reading.discard = 1;
    link.LastErrorText = ErrorText(failure);
    return failure;
  }
  std::vector<uint16_t> words(static_cast<size_t>(registers));
  for (int32_t n = 0; n < registers; ++n) {
    words[static_cast<size_t>(n)] = static_cast<uint16_t>(r.At(4 + 2 * n) << 8 | r.At(5 + 2 * n));
  }
  DecodeRecord(words, link.meterKind, link.downloadMoment.time, link.doUnitsChoice, link.unitsPrompt, reading);
  if (static_cast<size_t>(record) < link.records.size()) link.records[static_cast<size_t>(record)] = std::move(words);
  return 0;
}
