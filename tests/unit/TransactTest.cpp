#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ErrorText.h"
#include "FakeMeter.h"
#include "Transact.h"

namespace {

const std::vector<uint8_t> kIdentification = {0x01, 0x11, 0x06, 30, 1, 2, 3, 4, 20};
const std::string kIdentificationFrame = MeterFrame(kIdentification);

// A link on the scripted port, whose meter answers nothing but what a test scripts.
struct Bench : LinkBench {
  explicit Bench(int64_t startMs = 10 * 3600 * 1000) {
    meter.answerRequests = 0;
    clock.Advance(startMs - clock.NowMs());
  }
};

std::vector<uint8_t> ReplyPrefix(const MeterLink& link, int length) {
  std::vector<uint8_t> bytes;
  for (int p = 1; p <= length; ++p) bytes.push_back(link.ReplyBuffer.At(p));
  return bytes;
}

// A read reply carrying `dataBytes` data bytes 0x10, 0x11, ...
std::vector<uint8_t> ReadReply(int dataBytes) {
  std::vector<uint8_t> bytes = {0x01, 0x04, static_cast<uint8_t>(dataBytes)};
  for (int i = 0; i < dataBytes; ++i) bytes.push_back(static_cast<uint8_t>(0x10 + i));
  return bytes;
}

std::vector<uint8_t> WithLrc(std::vector<uint8_t> bytes) {
  unsigned sum = 0;
  for (uint8_t b : bytes) sum += b;
  bytes.push_back(static_cast<uint8_t>(-sum));
  return bytes;
}

// The same text, one character pair every `gapMs`, the ":" at `firstMs`.
std::vector<Arrival> Trickle(const std::string& frame, int64_t firstMs, int64_t gapMs) {
  std::vector<Arrival> arrivals = {{firstMs, frame.substr(0, 1)}};
  for (size_t i = 1, n = 1; i < frame.size(); i += 2, ++n) {
    arrivals.push_back({firstMs + static_cast<int64_t>(n) * gapMs, frame.substr(i, 2)});
  }
  return arrivals;
}

// Each exchange: what arrives for each request sent, and the code, the frames sent and the
// reply buffer from position 1 that Transact must give.
TEST(Transact, Exchanges) {
  const std::string& frame = kIdentificationFrame;
  const std::string bad = FrameWithBadLrc(kIdentification), noLf = frame.substr(0, frame.size() - 1);
  const std::vector<uint8_t> reply = WithLrc(kIdentification);
  // The rest comes about a second after the second pair was taken: far more than its 0.3 s.
  const std::vector<Arrival> lateThirdPair = {{5, frame.substr(0, 5)}, {1000, frame.substr(5)}};
  struct Scenario {
    const char* name;
    std::vector<std::vector<Arrival>> replies;
    int32_t code;
    size_t framesSent;
    std::vector<uint8_t> buffer;
  } scenarios[] = {
      {"prompt", {{{5, frame}}}, 0, 1, reply},
      // The wait for ":" starts 40 ms after sending and polls every 20 ms: a start at
      // 340 ms is seen at exactly 0.30 s, one at 341 ms only at 0.32 s, too late.
      {"start just in time", {{{340, frame}}}, 0, 1, reply},
      {"start just too late", {{{341, frame}}, {{341, frame}}}, 1, 2, {}},
      {"slow pairs in time", {Trickle(frame, 5, 280)}, 0, 1, reply},
      {"a pair too late", {lateThirdPair, lateThirdPair}, 2, 2, {0x01, 0x11}},
      {"end within the header", {{{5, ":0111\r\n"}}, {{5, ":0111\r\n"}}}, 4, 2, {0x01, 0x11}},
      {"CR without LF", {{{5, noLf}}, {{5, noLf}}}, 2, 2, reply},
      // The lone 5 shares its pair with the CR.
      {"odd hex digit dropped", {{{5, ":0104020007F25\r\n"}}}, 0, 1, {0x01, 0x04, 0x02, 0x00, 0x07, 0xF2}},
      {"lower-case hex", {{{5, ":0104020a0fe0\r\n"}}}, 0, 1, {0x01, 0x04, 0x02, 0x0A, 0x0F, 0xE0}},
      // "0g" is 0: the pair is read up to its first character that is not a hex digit.
      {"not a hex digit", {{{5, ":0104020g07F2\r\n"}}}, 0, 1, {0x01, 0x04, 0x02, 0x00, 0x07, 0xF2}},
      {"exception reply of four bytes", {{{5, MeterFrame({0x01, 0x91, 0x01})}}}, 0, 1, {0x01, 0x91, 0x01, 0x6D}},
      {"bad LRC, then good", {{{5, bad}}, {{5, frame}}}, 0, 2, reply},
      {"bad LRC twice", {{{5, bad}}, {{5, bad}}}, 4, 2, {0x01}},
      {"silent", {{}, {}}, 1, 2, {0, 0, 0, 0}},
  };
  for (const Scenario& s : scenarios) {
    Bench bench;
    for (const auto& arrivals : s.replies) bench.port->ThenReply(arrivals);
    EXPECT_EQ(Transact(bench.link, ":0111"), s.code) << s.name;
    EXPECT_EQ(bench.port->Sent(), std::vector<std::string>(s.framesSent, ":0111EE\r\n")) << s.name;
    EXPECT_EQ(ReplyPrefix(bench.link, static_cast<int>(s.buffer.size())), s.buffer) << s.name;
  }
}

// 3 header bytes, 96 data bytes and the LRC fill the buffer; one data byte more is rejected, twice.
TEST(Transact, HundredBytesFitAndTheHundredAndFirstIsRejected) {
  Bench bench;
  const std::string tooLong = MeterFrame(ReadReply(97));
  bench.port->ThenReply({{5, MeterFrame(ReadReply(96))}}).ThenReply({{5, tooLong}}).ThenReply({{5, tooLong}});
  EXPECT_EQ(Transact(bench.link, ":0111"), 0);
  EXPECT_EQ(ReplyPrefix(bench.link, 100), WithLrc(ReadReply(96)));
  EXPECT_EQ(Transact(bench.link, ":0111"), InvalidReply);
  EXPECT_EQ(bench.port->Sent().size(), 3u);
}

TEST(Transact, StaleCharactersAreDiscardedBeforeSending) {
  Bench bench;
  bench.port->Preload(MeterFrame({0x01, 0x04, 0x02, 0x12, 0x34}));
  bench.port->ThenReply({{5, kIdentificationFrame}});
  EXPECT_EQ(Transact(bench.link, ":0111"), 0);
  EXPECT_EQ(ReplyPrefix(bench.link, 10), WithLrc(kIdentification));
}

// Each wait ends 0.32 s after it starts; two attempts with their pauses take 760 ms, also
// when midnight falls in the middle.
TEST(Transact, SilentMeterEndsOnTimeAcrossMidnight) {
  for (int64_t startMs : {int64_t{10} * 3600 * 1000, int64_t{86399} * 1000 + 700}) {
    Bench bench(startMs);
    EXPECT_EQ(Transact(bench.link, ":0111"), 1);
    EXPECT_EQ(bench.clock.SleptMs(), 760) << startMs;
  }
  Bench bench(int64_t{86399} * 1000 + 900);
  bench.port->ThenReply({{200, kIdentificationFrame}});
  EXPECT_EQ(Transact(bench.link, ":0111"), 0);
  EXPECT_EQ(bench.port->Sent().size(), 1u);
}

TEST(Transact, PortFailureEndsAtOnceWithoutSecondAttempt) {
  struct Case {
    const char* name;
    int failWaitingAt;
    int failSendAt;
    int32_t failure;
    int32_t code;
    int sendCalls;
  } cases[] = {
      {"line error while waiting", 3, 0, DeviceIoError, DeviceIoError, 1},
      {"line error while flushing", 1, 0, DeviceIoError, DeviceIoError, 0},
      {"write incomplete", 0, 1, WriteIncomplete, WriteIncomplete, 1},
      {"failure without a number", 3, 0, -1, UnknownPortError, 1},
      {"write incomplete in the second attempt", 0, 2, WriteIncomplete, WriteIncomplete, 2},
  };
  for (const Case& c : cases) {
    Bench bench;
    if (c.failWaitingAt) bench.port->FailWaitingFrom(c.failWaitingAt, c.failure);
    if (c.failSendAt) bench.port->FailSendFrom(c.failSendAt, c.failure);
    EXPECT_EQ(Transact(bench.link, ":0111"), c.code) << c.name;
    EXPECT_EQ(bench.port->SendCalls(), c.sendCalls) << c.name;
  }
}

}  // namespace
