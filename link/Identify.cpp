#include "Identify.h"

#include "ErrorText.h"
#include "LoggedReading.h"
#include "Transact.h"

namespace {

constexpr uint8_t kSlave = 0x01;
constexpr uint8_t kReportSlaveId = 0x11;
constexpr uint8_t kIdentityBytes = 6;
constexpr uint8_t kDissolvedOxygenMark = 30;  // data byte 1
constexpr uint8_t kMultiParameterFrom = 90;   // data byte 6

int32_t Fail(MeterLink& link, int32_t code) {
  link.LastErrorText = ErrorText(code);
  return code;
}

}  // namespace

RecordLayout RecordLayoutOf(MeterKind kind) {
  switch (kind) {
    case MeterKind::DissolvedOxygen: return {50, 7};
    case MeterKind::SuspendedSolids: return {50, 6};
    case MeterKind::MultiParameter: break;
  }
  return {250, 8};
}

void SetMeterKind(MeterLink& link, MeterKind kind) {
  link.meterKind = kind;
  const RecordLayout layout = RecordLayoutOf(kind);
  link.recordCount = layout.recordCount;
  link.registersPerRecord = layout.registersPerRecord;
}

int32_t IdentifyMeter(MeterLink& link) {
  link.LastErrorText = "No Error";
  // Transact tries twice itself, so this is up to four frames.
  int32_t code = Transact(link, ":0111");
  if (code != 0) code = Transact(link, ":0111");
  if (code != 0) return Fail(link, code);
  const ReplyBytes& r = link.ReplyBuffer;
  // The length check keeps bytes of an earlier reply from being taken for this one's.
  if (r.At(1) != kSlave || r.At(2) != kReportSlaveId || r.At(3) != kIdentityBytes ||
      link.replyLength != 3 + kIdentityBytes + 1) {
    return Fail(link, InvalidReply);
  }
  if (r.At(9) >= kMultiParameterFrom) {
    SetMeterKind(link, MeterKind::MultiParameter);
  } else if (r.At(4) == kDissolvedOxygenMark) {
    SetMeterKind(link, MeterKind::DissolvedOxygen);
  } else {
    SetMeterKind(link, MeterKind::SuspendedSolids);
  }
  return 0;
}

int32_t RunFallbackProbe(MeterLink& link, ReadingTable& table) {
  SetMeterKind(link, MeterKind::DissolvedOxygen);
  link.doUnitsChoice = UnitsNotAsked;
  const int32_t code = ReadLoggedReading(link, table, 0);
  if (code == InvalidReply) {
    link.meterKind = MeterKind::SuspendedSolids;
    link.registersPerRecord = 6;  // the record count of both older meters is 50
    return 0;
  }
  return code;
}
