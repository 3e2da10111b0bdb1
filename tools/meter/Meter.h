#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

enum class MeterKind { DissolvedOxygen, SuspendedSolids, MultiParameter };

struct Layout {
  int recordCount;
  int registersPerRecord;
};

Layout LayoutOf(MeterKind kind);

inline constexpr uint8_t meterAddress = 1;
inline constexpr uint16_t emptyRegister = 0xFFFF;

// One logged reading as the meter's firmware knows it, before it is laid out in registers.
struct LoggedReading {
  std::string_view location;  // at most 6 characters, padded with spaces
  int16_t raw;
  int16_t temperatureTenths;  // not stored by the suspended-solids meter
  int32_t minutes;            // since 1 January 00:00 of the reading's year
  uint16_t type;              // stored by the multiparameter meter only
};

struct Meter {
  MeterKind kind;
  bool identifies;  // older meters answer Report Slave ID with an exception
  std::vector<uint16_t> registers;
};

// A meter of the kind whose every record slot is empty.
Meter EmptyMeter(MeterKind kind, bool identifies);

void StoreReading(Meter& meter, int slot, const LoggedReading& reading);

// Answers a request addressed to this meter (address, function, data; no LRC, at least two
// bytes) with the reply's address, function and data.
std::vector<uint8_t> AnswerRequest(const Meter& meter, std::span<const uint8_t> request);
