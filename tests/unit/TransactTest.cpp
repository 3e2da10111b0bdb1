#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ErrorText.h"
#include "FakePort.h"
#include "MeterLink.h"
#include "Transact.h"

namespace {

const std::vector<uint8_t> kIdentification = {0x01, 0x11, 0x06, 30, 1, 2, 3, 4, 20};
const std::string kIdentificationFrame = MeterFrame(kIdentification);

// A link whose port is the scripted fake, on a virtual clock.
struct Bench {
  VirtualClock clock;
  FakePort* port = nullptr;
  MeterLink link;

  explicit Bench(int64_t startMs = 10 * 3600 * 1000) : clock(startMs) {
    auto fake = std::make_unique<FakePort>(clock);
    port = fake.get();
    link.port = std::move(fake);
    link.clock = &clock;
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

TEST(FrameRequest, AppendsTheLrcAndCrLf) {
  struct Case {
    const char* request;
    std::string frame;
  } cases[] = {
      {":0111", std::string("\x3A\x30\x31\x31\x31\x45\x45\x0D\x0A", 9)},
      {":010400000007", ":010400000007F4\r\n"},
      {":010400150007", ":010400150007DF\r\n"},  // record 3 of a dissolved-oxygen meter
      {":010407C80008", ":010407C8000824\r\n"},  // the last record of a multiparameter meter
  };
  for (const Case& c : cases) EXPECT_EQ(FrameRequest(c.request), c.frame) << c.request;
}

// One exchange scenario: what arrives for each request, and what Transact must make of it.
struct Scenario {
  const char* name;
  std::vector<std::vector<Arrival>> replies;  // per request sent
  int32_t code;
  int framesSent;
  std::vector<uint8_t> buffer;  // expected ReplyBuffer from position 1
};

class TransactScenario : public testing::TestWithParam<Scenario> {};

TEST_P(TransactScenario, GivesItsCodeAndReply) {
  const Scenario& s = GetParam();
  Bench bench;
  for (const auto& reply : s.replies) bench.port->ThenReply(reply);
  EXPECT_EQ(Transact(bench.link, ":0111"), s.code);
  ASSERT_EQ(static_cast<int>(bench.port->Sent().size()), s.framesSent);
  for (const std::string& frame : bench.port->Sent()) EXPECT_EQ(frame, ":0111EE\r\n");
  EXPECT_EQ(ReplyPrefix(bench.link, static_cast<int>(s.buffer.size())), s.buffer);
}

// The rest comes about a second after the second pair was taken: far more than its 0.3 s.
const std::vector<Arrival> kLateThirdPair = {{5, kIdentificationFrame.substr(0, 5)},
                                             {1000, kIdentificationFrame.substr(5)}};
const std::vector<uint8_t> kException = {0x01, 0x91, 0x01, 0x6D};
const std::string kOddDigits = ":0104020007F25\r\n";  // the lone 5 shares its pair with the CR

INSTANTIATE_TEST_SUITE_P(
    Exchanges, TransactScenario,
    testing::Values(
        Scenario{"Prompt", {{{5, kIdentificationFrame}}}, 0, 1, WithLrc(kIdentification)},
        Scenario{"GarbageBeforeStart",
                 {{{5, std::string("\x7F\x00zz\r\n", 6)}, {60, kIdentificationFrame}}},
                 0,
                 1,
                 WithLrc(kIdentification)},
        // The wait for ":" starts 40 ms after sending and polls every 20 ms: a start at
        // 340 ms is seen at exactly 0.30 s, one at 341 ms only at 0.32 s, too late.
        Scenario{"StartJustInTime", {{{340, kIdentificationFrame}}}, 0, 1, WithLrc(kIdentification)},
        Scenario{"StartJustTooLate", {{{341, kIdentificationFrame}}, {{341, kIdentificationFrame}}}, 1, 2, {}},
        Scenario{"SlowPairsInTime", {Trickle(kIdentificationFrame, 5, 280)}, 0, 1, WithLrc(kIdentification)},
        Scenario{"PairTooLate", {kLateThirdPair, kLateThirdPair}, 2, 2, {0x01, 0x11}},
        Scenario{"EndWithinHeader", {{{5, ":0111\r\n"}}, {{5, ":0111\r\n"}}}, 4, 2, {0x01, 0x11}},
        Scenario{"CrWithoutLf",
                 {{{5, kIdentificationFrame.substr(0, kIdentificationFrame.size() - 1)}},
                  {{5, kIdentificationFrame.substr(0, kIdentificationFrame.size() - 1)}}},
                 2,
                 2,
                 WithLrc(kIdentification)},
        Scenario{"OddHexDigitDropped", {{{5, kOddDigits}}}, 0, 1, {0x01, 0x04, 0x02, 0x00, 0x07, 0xF2}},
        Scenario{"LowerCaseHex", {{{5, ":0104020a0be4\r\n"}}}, 0, 1, {0x01, 0x04, 0x02, 0x0A, 0x0B, 0xE4}},
        // "0g" is 0: the pair is read up to its first character that is not a hex digit.
        Scenario{"NotAHexDigit", {{{5, ":0104020g07F2\r\n"}}}, 0, 1, {0x01, 0x04, 0x02, 0x00, 0x07, 0xF2}},
        Scenario{"ExceptionReplyOfFourBytes", {{{5, MeterFrame({0x01, 0x91, 0x01})}}}, 0, 1, kException},
        Scenario{"BadLrcThenGood",
                 {{{5, FrameWithBadLrc(kIdentification)}}, {{5, kIdentificationFrame}}},
                 0,
                 2,
                 WithLrc(kIdentification)},
        Scenario{"BadLrcTwice",
                 {{{5, FrameWithBadLrc(kIdentification)}}, {{5, FrameWithBadLrc(kIdentification)}}},
                 4,
                 2,
                 {0x01}},
        Scenario{"SilentThenAnswer", {{}, {{5, kIdentificationFrame}}}, 0, 2, WithLrc(kIdentification)},
        Scenario{"Silent", {{}, {}}, 1, 2, {0, 0, 0, 0}}),
    [](const testing::TestParamInfo<Scenario>& info) { return info.param.name; });

TEST(Transact, HundredBytesFitAndTheHundredAndFirstIsRejected) {
  const std::vector<uint8_t> full = WithLrc(ReadReply(96));  // 3 header + 96 data + LRC
  ASSERT_EQ(full.size(), 100u);
  {
    Bench bench;
    bench.port->ThenReply({{5, MeterFrame(ReadReply(96))}});
    EXPECT_EQ(Transact(bench.link, ":0111"), 0);
    EXPECT_EQ(ReplyPrefix(bench.link, 100), full);
  }
  {
    Bench bench;
    const std::string tooLong = MeterFrame(ReadReply(97));
    bench.port->ThenReply({{5, tooLong}}).ThenReply({{5, tooLong}});
    EXPECT_EQ(Transact(bench.link, ":0111"), 3);
    EXPECT_EQ(bench.port->Sent().size(), 2u);
    std::vector<uint8_t> first100 = WithLrc(ReadReply(97));
    first100.resize(100);
    EXPECT_EQ(ReplyPrefix(bench.link, 100), first100);
    EXPECT_EQ(bench.port->Unread(), 2u) << "the CR LF after the 101st byte stays queued";
  }
}

TEST(Transact, ShortReplyLeavesLaterPositionsAsTheyWere) {
  Bench bench;
  bench.port->ThenReply({{5, MeterFrame(ReadReply(16))}}).ThenReply({{5, kIdentificationFrame}});
  ASSERT_EQ(Transact(bench.link, ":0111"), 0);
  ASSERT_EQ(Transact(bench.link, ":0111"), 0);
  EXPECT_EQ(ReplyPrefix(bench.link, 10), WithLrc(kIdentification));
  EXPECT_EQ(bench.link.ReplyBuffer.At(11), 0x17) << "data byte 8 of the earlier, longer reply";
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
    bench.port->ThenSilence().ThenSilence();
    if (c.failWaitingAt) bench.port->FailWaitingFrom(c.failWaitingAt, c.failure);
    if (c.failSendAt) bench.port->FailSendFrom(c.failSendAt, c.failure);
    EXPECT_EQ(Transact(bench.link, ":0111"), c.code) << c.name;
    EXPECT_EQ(bench.port->SendCalls(), c.sendCalls) << c.name;
  }
}

TEST(Transact, WithoutAnOpenPortFailsWith52) {
  MeterLink link;
  EXPECT_EQ(Transact(link, ":0111"), PortNotOpen);
}

}  // namespace
