#include "FakeMeter.h"

#include <cstdlib>
#include <memory>

namespace {

LinkBench* openingBench = nullptr;

int32_t OpenFakePort(const std::string&, std::unique_ptr<SerialPort>& port, std::string&) {
  auto fake = std::make_unique<FakePort>(openingBench->clock);
  openingBench->port = fake.get();
  LinkBench* bench = openingBench;
  fake->AnswerWith([bench](const std::string& frame) { return bench->meter.Answer(frame); });
  port = std::move(fake);
  return 0;
}

unsigned Hex(const std::string& frame, size_t at, size_t digits) {
  return static_cast<unsigned>(std::strtoul(frame.substr(at, digits).c_str(), nullptr, 16));
}

}  // namespace

std::vector<Arrival> FakeMeter::Answer(const std::string& frame) {
  ++requests;
  heard.push_back(frame);
  if (answerRequests >= 0 && requests > answerRequests) return {};
  const unsigned function = Hex(frame, 3, 2);
  if (function == 0x11) {
    if (!identifies) return {{5, MeterFrame({0x01, 0x91, 0x01})}};
    std::vector<uint8_t> reply = identity;
    reply.insert(reply.begin(), {0x01, 0x11, 0x06});
    return {{5, MeterFrame(reply)}};
  }
  const unsigned start = Hex(frame, 5, 4);
  const unsigned count = Hex(frame, 9, 4);
  if (count != static_cast<unsigned>(registersPerRecord) || start % count != 0 ||
      start / count >= static_cast<unsigned>(recordCount)) {
    return {{5, MeterFrame({0x01, 0x84, 0x02})}};
  }
  const size_t record = start / count;
  std::vector<uint16_t> registers(count, 0xFFFF);
  if (record < records.size() && !records[record].empty()) registers = records[record];
  std::vector<uint8_t> reply = {0x01, 0x04, static_cast<uint8_t>(2 * count)};
  for (uint16_t r : registers) {
    reply.push_back(static_cast<uint8_t>(r >> 8));
    reply.push_back(static_cast<uint8_t>(r));
  }
  return {{5, MeterFrame(reply)}};
}

std::vector<uint16_t> RecordRegisters(int registersPerRecord, const std::string& location, int16_t raw,
                                      int16_t temperatureTenths, int32_t minutes, uint16_t type) {
  std::string name = location;
  name.resize(6, ' ');
  std::vector<uint16_t> r;
  for (int i = 0; i < 6; i += 2) {
    r.push_back(static_cast<uint16_t>(static_cast<uint8_t>(name[i]) << 8 | static_cast<uint8_t>(name[i + 1])));
  }
  r.push_back(static_cast<uint16_t>(raw));
  if (registersPerRecord > 6) r.push_back(static_cast<uint16_t>(temperatureTenths));
  r.push_back(static_cast<uint16_t>(static_cast<uint32_t>(minutes) >> 16));
  r.push_back(static_cast<uint16_t>(minutes));
  if (registersPerRecord > 7) r.push_back(type);
  return r;
}

LinkBench::LinkBench(CivilTime today) {
  link.clock = &clock;
  link.now = [today] { return LocalMoment{today}; };
  link.downloadMoment = {today};
  link.unitsPrompt = [this] {
    ++prompts;
    return promptAnswer;
  };
  auto fake = std::make_unique<FakePort>(clock);
  port = fake.get();
  fake->AnswerWith([this](const std::string& frame) { return meter.Answer(frame); });
  link.port = std::move(fake);
}

void LinkBench::UseFakeOpener() {
  openingBench = this;
  link.openDevice = OpenFakePort;
}
