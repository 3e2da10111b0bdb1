#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "FakePort.h"
#include "MeterLink.h"

// An in-process meter on the scripted port: answers identification and record requests
// from its registers at once, on the virtual clock.
struct FakeMeter {
  int registersPerRecord = 7;
  int recordCount = 50;
  bool identifies = true;
  std::vector<uint8_t> identity = {30, 0, 0, 0, 2, 20};  // the six data bytes
  std::vector<std::vector<uint16_t>> records;            // missing ones read as empty slots
  int answerRequests = -1;                               // then silent; -1: always answers
  int requests = 0;
  std::vector<std::string> heard;  // every frame sent to it, also after its port is closed

  std::vector<Arrival> Answer(const std::string& frame);
};

// A record's registers from its fields, in the layout of a meter with R registers.
std::vector<uint16_t> RecordRegisters(int registersPerRecord, const std::string& location, int16_t raw,
                                      int16_t temperatureTenths, int32_t minutes, uint16_t type = 0);

// A link on a scripted port, a virtual clock and a fixed date, ready to exchange.
struct LinkBench {
  VirtualClock clock;
  FakePort* port = nullptr;
  MeterLink link;
  FakeMeter meter;
  int prompts = 0;
  int32_t promptAnswer = 1;

  explicit LinkBench(CivilTime today = {2025, 1, 2, 10, 0});
  LinkBench(const LinkBench&) = delete;
  LinkBench& operator=(const LinkBench&) = delete;
  // Opens a fresh scripted port through OpenMeterPort, answered by `meter`.
  void UseFakeOpener();
};
