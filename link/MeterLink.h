#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Calendar.h"
#include "Clock.h"
#include "Meters.h"
#include "ReadingTable.h"
#include "SerialPort.h"

// The bytes of the last reply, addressed by position 1 to 100 as the protocol counts them:
// 1 address, 2 function, 3 byte count, then data, then the LRC. Positions a reply did not
// reach keep what earlier replies left.
struct ReplyBytes {
  static constexpr int kSize = 100;
  std::array<uint8_t, kSize> bytes{};

  uint8_t At(int position) const { return bytes.at(static_cast<size_t>(position - 1)); }
  void Set(int position, uint8_t value) { bytes.at(static_cast<size_t>(position - 1)) = value; }
};

// How the kind of meter became known.
enum class KindToldBy { Identification, Probe };

using PortOpener = int32_t (*)(const std::string& name, std::unique_ptr<SerialPort>& port, std::string& why);

// The one serial session with the meter and what the link knows of the meter; the port is
// open only during one download attempt.
struct MeterLink {
  std::unique_ptr<SerialPort> port;
  ReplyBytes ReplyBuffer;
  int32_t replyLength = 0;  // bytes of the last complete reply, LRC included
  // The message of the link's last failure, "No Error" once an operation has started.
  std::string LastErrorText;
  // The system's words for why the port did not open, for a front end that can say more.
  std::string portFailure;

  MeterKind meterKind = MeterKind::DissolvedOxygen;
  int32_t recordCount = 0;
  int32_t registersPerRecord = 0;
  int32_t doUnitsChoice = UnitsNotAsked;  // a DoUnits; kept for the whole run
  KindToldBy toldBy = KindToldBy::Identification;

  // What the download read: its moment, whose date places every reading in its year, and
  // every record's registers as they came off the line, empty slots too.
  LocalMoment downloadMoment;
  std::vector<std::vector<uint16_t>> records;

  // Seams: the port, the clock of the exchange, the local moment a download starts, and the
  // front end's units prompt (1 means mg/l, anything else %Sat).
  PortOpener openDevice = OpenSerialDevice;
  Clock* clock = &SystemClock();
  std::function<LocalMoment()> now = CurrentMoment;
  std::function<int32_t()> unitsPrompt;
};

// Opens the named port with the meter's line settings; returns 0 or the failure's code,
// and leaves LastErrorText as "No Error" or the failure's message.
int32_t OpenMeterPort(MeterLink& link, const std::string& name);

// Releases the port if it is open; never fails.
void CloseMeterPort(MeterLink& link);
