#include "Meter.h"

#include <array>

namespace {

constexpr uint8_t reportSlaveId = 0x11;
constexpr uint8_t readInputRegisters = 0x04;

constexpr uint8_t illegalFunction = 0x01;
constexpr uint8_t illegalDataAddress = 0x02;
constexpr uint8_t illegalDataValue = 0x03;

constexpr int maxReadCount = 125;

std::vector<uint8_t> ExceptionReply(uint8_t function, uint8_t code) {
  return {meterAddress, static_cast<uint8_t>(function | 0x80), code};
}

// Data byte 1 names the model (30 is the dissolved-oxygen meter), byte 2 is the Modbus run
// indicator, bytes 3-4 the firmware version, the low nibble of byte 5 the dissolved-oxygen
// units code (2: mg/l) and byte 6 the model generation (90 and up: multiparameter).
std::array<uint8_t, 6> IdentificationData(MeterKind kind) {
  switch (kind) {
    case MeterKind::DissolvedOxygen: return {30, 0xFF, 2, 14, 0x02, 20};
    case MeterKind::SuspendedSolids: return {31, 0xFF, 2, 10, 0x02, 20};
    case MeterKind::MultiParameter: return {32, 0xFF, 3, 2, 0x02, 95};
  }
  return {};
}

std::vector<uint8_t> AnswerIdentify(const Meter& meter) {
  if (!meter.identifies) return ExceptionReply(reportSlaveId, illegalFunction);
  std::vector<uint8_t> reply = {meterAddress, reportSlaveId, 6};
  for (uint8_t b : IdentificationData(meter.kind)) reply.push_back(b);
  return reply;
}

std::vector<uint8_t> AnswerRead(const Meter& meter, std::span<const uint8_t> data) {
  if (data.size() != 4) return ExceptionReply(readInputRegisters, illegalDataValue);
  int start = data[0] << 8 | data[1];
  int count = data[2] << 8 | data[3];
  if (count < 1 || count > maxReadCount) return ExceptionReply(readInputRegisters, illegalDataValue);
  int total = static_cast<int>(meter.registers.size());
  // The firmware hands out whole records only; the downloader tells a suspended-solids meter
  // from a dissolved-oxygen one by the refusal of a 7-register read.
  int perRecord = LayoutOf(meter.kind).registersPerRecord;
  if (start + count > total || start % perRecord != 0 || count % perRecord != 0)
    return ExceptionReply(readInputRegisters, illegalDataAddress);
  std::vector<uint8_t> reply = {meterAddress, readInputRegisters, static_cast<uint8_t>(2 * count)};
  for (int r = start; r < start + count; ++r) {
    reply.push_back(static_cast<uint8_t>(meter.registers[r] >> 8));
    reply.push_back(static_cast<uint8_t>(meter.registers[r] & 0xFF));
  }
  return reply;
}

}  // namespace

Layout LayoutOf(MeterKind kind) {
  switch (kind) {
    case MeterKind::DissolvedOxygen: return {50, 7};
    case MeterKind::SuspendedSolids: return {50, 6};
    case MeterKind::MultiParameter: return {250, 8};
  }
  return {0, 0};
}

Meter EmptyMeter(MeterKind kind, bool identifies) {
  Layout layout = LayoutOf(kind);
  return {
      kind, identifies,
      std::vector<uint16_t>(static_cast<std::size_t>(layout.recordCount * layout.registersPerRecord), emptyRegister)};
}

void StoreReading(Meter& meter, int slot, const LoggedReading& reading) {
  int perRecord = LayoutOf(meter.kind).registersPerRecord;
  uint16_t* record = &meter.registers.at(static_cast<std::size_t>(slot * perRecord));
  for (std::size_t i = 0; i < 6; ++i) {
    auto c = static_cast<uint8_t>(i < reading.location.size() ? reading.location[i] : ' ');
    if (i % 2 == 0)
      record[i / 2] = static_cast<uint16_t>(c << 8);
    else
      record[i / 2] = static_cast<uint16_t>(record[i / 2] | c);
  }
  record[3] = static_cast<uint16_t>(reading.raw);
  auto minutes = static_cast<uint32_t>(reading.minutes);
  int timeAt = 5;
  if (meter.kind == MeterKind::SuspendedSolids)
    timeAt = 4;
  else
    record[4] = static_cast<uint16_t>(reading.temperatureTenths);
  record[timeAt] = static_cast<uint16_t>(minutes >> 16);
  record[timeAt + 1] = static_cast<uint16_t>(minutes & 0xFFFF);
  if (meter.kind == MeterKind::MultiParameter) record[7] = reading.type;
}

std::vector<uint8_t> AnswerRequest(const Meter& meter, std::span<const uint8_t> request) {
  uint8_t function = request[1];
  switch (function) {
    case reportSlaveId: return AnswerIdentify(meter);
    case readInputRegisters: return AnswerRead(meter, request.subspan(2));
    default: return ExceptionReply(function, illegalFunction);
  }
}
