#include "FakePort.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

FakePort& FakePort::ThenReply(std::vector<Arrival> arrivals) {
  replies_.push_back(std::move(arrivals));
  return *this;
}

void FakePort::Deliver() {
  std::stable_sort(pending_.begin(), pending_.end(),
                   [](const Pending& a, const Pending& b) { return a.atMs < b.atMs; });
  auto due = pending_.begin();
  while (due != pending_.end() && due->atMs <= clock_.NowMs()) {
    queue_.insert(queue_.end(), due->bytes.begin(), due->bytes.end());
    ++due;
  }
  pending_.erase(pending_.begin(), due);
}

int32_t FakePort::CharactersWaiting(int32_t& count) {
  if (failWaitingFrom_ != 0 && ++waitingCalls_ >= failWaitingFrom_) return waitingCode_;
  Deliver();
  count = static_cast<int32_t>(queue_.size());
  return 0;
}

int32_t FakePort::Receive(uint8_t* into, int32_t n) {
  Deliver();
  if (static_cast<size_t>(n) > queue_.size())
    throw std::logic_error("Receive asked for characters that are not waiting");
  for (int32_t i = 0; i < n; ++i) {
    into[i] = queue_.front();
    queue_.pop_front();
  }
  return 0;
}

int32_t FakePort::Send(const uint8_t* bytes, int32_t n) {
  ++sendCalls_;
  if (failSendFrom_ != 0 && sendCalls_ >= failSendFrom_) return sendCode_;
  sent_.emplace_back(reinterpret_cast<const char*>(bytes), static_cast<size_t>(n));
  std::vector<Arrival> reply;
  if (!replies_.empty()) {
    reply = std::move(replies_.front());
    replies_.pop_front();
  } else if (meter_) {
    reply = meter_(sent_.back());
  }
  for (const Arrival& a : reply) pending_.push_back({clock_.NowMs() + a.afterSendMs, a.bytes});
  return 0;
}

namespace {

std::string Hex(const std::vector<uint8_t>& bytes, uint8_t lrc) {
  std::string text = ":";
  char pair[3];
  for (uint8_t b : bytes) {
    std::snprintf(pair, sizeof pair, "%02X", b);
    text += pair;
  }
  std::snprintf(pair, sizeof pair, "%02X", lrc);
  return text + pair + "\r\n";
}

uint8_t Lrc(const std::vector<uint8_t>& bytes) {
  unsigned sum = 0;
  for (uint8_t b : bytes) sum += b;
  return static_cast<uint8_t>(-sum);
}

}  // namespace

std::string MeterFrame(const std::vector<uint8_t>& bytes) { return Hex(bytes, Lrc(bytes)); }

std::string FrameWithBadLrc(const std::vector<uint8_t>& bytes) {
  return Hex(bytes, static_cast<uint8_t>(Lrc(bytes) + 1));
}
