#include "Identify.h"

#include "ErrorText.h"
#include "LoggedReading.h"
#include "Meters.h"
#include "Transact.h"

namespace {

constexpr uint8_t kReportSlaveId = 0x11;
constexpr uint8_t kIdentityBytes = 6;
constexpr uint8_t kDissolvedOxygenMark = 30;  // data byte 1
constexpr uint8_t kMultiParameterFrom = 90;   // data byte 6

int32_t Fail(MeterLink& link, int32_t code) {
  link.LastErrorText = ErrorText(code);
  return code;
}

}  // namespace

void SetMeterKind(MeterLink& link, MeterKind kind) {
  link.meterKind = kind;
  link.recordCount = MeterOf(kind).recordCount;
  link.registersPerRecord = MeterOf(kind).registersPerRecord;
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
    SetMeterKind(link, MeterKind::SuspendedSolids);  // of the same record count as the probed one
    return 0;
  }
  return code;
}
