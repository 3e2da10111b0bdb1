// Arbitrary reply bytes, cut into pieces that arrive at arbitrary times, for both attempts
// of one exchange. Whatever arrives, Transact must end with a code, take only characters
// that are waiting, and stay inside ReplyBuffer.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "FakePort.h"
#include "MeterLink.h"
#include "Transact.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  VirtualClock clock(static_cast<int64_t>(86399) * 1000 + 500);  // midnight falls inside
  auto fake = std::make_unique<FakePort>(clock);
  FakePort& port = *fake;
  MeterLink link;
  link.port = std::move(fake);
  link.clock = &clock;

  // Each piece: one byte of delay in 5 ms steps, one byte of length, then that many bytes.
  // A piece whose delay byte has the top bit set starts the reply to the next request.
  std::vector<std::vector<Arrival>> replies(1);
  size_t at = 0;
  while (at + 2 <= size) {
    const uint8_t delay = data[at];
    const size_t length = data[at + 1];
    at += 2;
    const size_t take = length < size - at ? length : size - at;
    if ((delay & 0x80) != 0 && replies.size() < 3) replies.emplace_back();
    replies.back().push_back({(delay & 0x7F) * 5, std::string(reinterpret_cast<const char*>(data + at), take)});
    at += take;
  }
  for (auto& reply : replies) port.ThenReply(std::move(reply));

  const int32_t code = Transact(link, ":0111");
  if (code < 0 || code > 4) __builtin_trap();
  return 0;
}
