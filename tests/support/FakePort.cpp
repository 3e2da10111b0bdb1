#include "FakePort.h"

#include <algorithm>
#include <stdexcept>

#include "Frame.h"

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

std::string MeterFrame(const std::vector<uint8_t>& bytes) { return BuildFrame(bytes); }

std::string FrameWithBadLrc(const std::vector<uint8_t>& bytes) {
  std::string frame = BuildFrame(bytes);
  // The LRC's last digit, one up: still hex, never the right sum.
  char& digit = frame[frame.size() - 3];
  digit = digit == 'F' ? '0' : digit == '9' ? 'A' : static_cast<char>(digit + 1);
  return frame;
}
