#include "Transact.h"

#include <vector>

#include "ErrorText.h"

namespace {

constexpr int32_t kSettleMs = 40;  // after sending, and between the two attempts
constexpr int32_t kPollMs = 20;
constexpr uint8_t kStart = ':';
constexpr uint8_t kCarriageReturn = 0x0D;

int HexDigit(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// A character pair read as a hexadecimal number: reading stops at the first character that
// is not a hex digit, and a pair that begins with one is 0.
uint8_t PairValue(uint8_t first, uint8_t second) {
  const int high = HexDigit(first);
  if (high < 0) return 0;
  const int low = HexDigit(second);
  if (low < 0) return static_cast<uint8_t>(high);
  return static_cast<uint8_t>(high * 16 + low);
}

char UpperHex(int digit) { return "0123456789ABCDEF"[digit & 0xF]; }

// A port failure's number for the caller: positive, or 8 when it has none.
int32_t SystemFailure(int32_t code) { return code > 0 ? code : UnknownPortError; }

// The outcome of one step of the exchange. A port failure stops Transact without retrying.
struct Step {
  int32_t code = 0;
  bool portFailed = false;
};

Step PortFailure(int32_t code) { return {SystemFailure(code), true}; }

enum class PairKind { Byte, EndMarker, TimeOut };

struct Pair {
  PairKind kind = PairKind::Byte;
  uint8_t value = 0;  // no-mutate(0): every pair is given its value
};

class Exchange {
 public:
  Exchange(MeterLink& link, SerialPort& port) : link_(link), port_(port), clock_(*link.clock) {}

  Step Run(const std::string& frame) {
    if (Step s = DiscardWaiting(); s.portFailed) return s;
    const auto* bytes = reinterpret_cast<const uint8_t*>(frame.data());
    if (int32_t code = port_.Send(bytes, static_cast<int32_t>(frame.size())); code != 0) {
      return PortFailure(code);
    }
    clock_.Sleep(kSettleMs);
    if (Step s = AwaitStart(); s.portFailed || s.code != 0) return s;
    return ReadReply();
  }

 private:
  Step DiscardWaiting() {
    int32_t waiting = 0;  // no-mutate(0): set by the call before it is read
    if (int32_t code = port_.CharactersWaiting(waiting); code != 0) return PortFailure(code);
    if (waiting > 0) {
      std::vector<uint8_t> stale(static_cast<size_t>(waiting));
      if (int32_t code = port_.Receive(stale.data(), waiting); code != 0) return PortFailure(code);
    }
    return {};
  }

  // Characters before the ":" are skipped; the 0.3 s run from the start of the wait.
  Step AwaitStart() {
    const double start = clock_.SecondsOfDay();
    for (;;) {
      if (SecondsSince(clock_, start) > kReplyTimeout) return {NoReply, false};
      int32_t waiting = 0;
      if (int32_t code = port_.CharactersWaiting(waiting); code != 0) return PortFailure(code);
      if (waiting == 0) {
        clock_.Sleep(kPollMs);
        continue;
      }
      uint8_t c = 0;
      if (int32_t code = port_.Receive(&c, 1); code != 0) return PortFailure(code);
      if (c == kStart) return {};
    }
  }

  // Each pair has its own 0.3 s. A CR in either character is the end of the reply, so a
  // CR without its LF is only seen once a second character arrives.
  Step ReadPair(Pair& pair) {
    const double start = clock_.SecondsOfDay();
    for (;;) {
      if (SecondsSince(clock_, start) > kReplyTimeout) {
        pair.kind = PairKind::TimeOut;
        return {};
      }
      int32_t waiting = 0;
      if (int32_t code = port_.CharactersWaiting(waiting); code != 0) return PortFailure(code);
      if (waiting >= 2) break;
      clock_.Sleep(kPollMs);
    }
    uint8_t two[2] = {0, 0};
    if (int32_t code = port_.Receive(two, 2); code != 0) return PortFailure(code);
    if (two[0] == kCarriageReturn || two[1] == kCarriageReturn) {
      pair.kind = PairKind::EndMarker;
    } else {
      pair.kind = PairKind::Byte;
      pair.value = PairValue(two[0], two[1]);
    }
    return {};
  }

  Step ReadReply() {
    ReplyBytes& reply = link_.ReplyBuffer;
    Pair pair;
    for (int position = 1; position <= 4; ++position) {
      if (Step s = ReadPair(pair); s.portFailed) return s;
      if (pair.kind == PairKind::TimeOut) return {IncompleteReply, false};
      if (pair.kind == PairKind::EndMarker) return {CorruptReply, false};
      reply.Set(position, pair.value);
    }
    int length = 4;
    for (;;) {
      if (Step s = ReadPair(pair); s.portFailed) return s;
      if (pair.kind == PairKind::TimeOut) return {IncompleteReply, false};
      if (pair.kind == PairKind::EndMarker) break;
      if (++length > ReplyBytes::kSize) return {InvalidReply, false};
      reply.Set(length, pair.value);
    }
    // The LRC is among the bytes summed, so a sound reply sums to 0 modulo 256.
    uint16_t sum = 0;
    for (int position = 1; position <= length; ++position) sum = static_cast<uint16_t>(sum + reply.At(position));
    link_.replyLength = length;
    return {(sum & 0xFF) == 0 ? 0 : CorruptReply, false};
  }

  MeterLink& link_;
  SerialPort& port_;
  Clock& clock_;
};

}  // namespace

std::string FrameRequest(const std::string& request) {
  uint16_t sum = 0;
  const size_t pairs = request.empty() ? 0 : (request.size() - 1) / 2;
  for (size_t i = 0; i < pairs; ++i) {
    const auto first = static_cast<uint8_t>(request[1 + 2 * i]);
    const auto second = static_cast<uint8_t>(request[2 + 2 * i]);
    sum = static_cast<uint16_t>(sum + PairValue(first, second));
  }
  const int lrc = (256 - (sum % 256)) % 256;
  std::string frame = request;
  frame += UpperHex(lrc >> 4);
  frame += UpperHex(lrc);
  frame += "\r\n";
  return frame;
}

double SecondsSince(Clock& clock, double start) {
  double elapsed = clock.SecondsOfDay() - start;
  if (elapsed < 0) elapsed += 86400.0;
  return elapsed;
}

int32_t Transact(MeterLink& link, const std::string& request) {
  if (!link.port) return PortNotOpen;
  const std::string frame = FrameRequest(request);
  Exchange exchange(link, *link.port);
  Step step = exchange.Run(frame);
  if (step.code != 0 && !step.portFailed) {
    link.clock->Sleep(kSettleMs);
    step = exchange.Run(frame);
  }
  return step.code;
}
