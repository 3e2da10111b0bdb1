#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "Clock.h"
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

using PortOpener = int32_t (*)(const std::string& name, std::unique_ptr<SerialPort>& port);

// The one serial session with the meter; open only during one download attempt.
struct MeterLink {
  std::unique_ptr<SerialPort> port;
  ReplyBytes ReplyBuffer;
  // The message of the link's last failure, "No Error" once an operation has started.
  std::string LastErrorText;
  Clock* clock = &SystemClock();
  PortOpener openDevice = OpenSerialDevice;
};

// Opens the named port with the meter's line settings; returns 0 or the failure's code,
// and leaves LastErrorText as "No Error" or the failure's message.
int32_t OpenMeterPort(MeterLink& link, const std::string& name);

// Releases the port if it is open; never fails.
void CloseMeterPort(MeterLink& link);
