#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "SerialPort.h"
#include "VirtualClock.h"

// Bytes that reach the receive queue a given time after the request that provoked them.
struct Arrival {
  int64_t afterSendMs;
  std::string bytes;
};

// A scripted serial port on a virtual clock. Each Send takes the next scripted reply and
// schedules its arrivals relative to the moment of sending; a send with no reply left
// gets silence.
class FakePort final : public SerialPort {
 public:
  explicit FakePort(VirtualClock& clock) : clock_(clock) {}

  // The reply to the next request not yet given a reply.
  FakePort& ThenReply(std::vector<Arrival> arrivals);
  // Answers every request that has no scripted reply, like a meter would.
  void AnswerWith(std::function<std::vector<Arrival>(const std::string& frame)> meter) { meter_ = std::move(meter); }
  // Bytes in the queue already, before anything is sent.
  void Preload(const std::string& bytes) { queue_.insert(queue_.end(), bytes.begin(), bytes.end()); }

  // Failures: CharactersWaiting fails with `code` from its n-th call on (1-based);
  // Send fails with `code` from its n-th call on.
  void FailWaitingFrom(int call, int32_t code) { failWaitingFrom_ = call, waitingCode_ = code; }
  void FailSendFrom(int call, int32_t code) { failSendFrom_ = call, sendCode_ = code; }

  int32_t CharactersWaiting(int32_t& count) override;
  int32_t Receive(uint8_t* into, int32_t n) override;
  int32_t Send(const uint8_t* bytes, int32_t n) override;

  const std::vector<std::string>& Sent() const { return sent_; }
  int SendCalls() const { return sendCalls_; }

 private:
  struct Pending {
    int64_t atMs;
    std::string bytes;
  };
  void Deliver();

  VirtualClock& clock_;
  std::deque<std::vector<Arrival>> replies_;
  std::function<std::vector<Arrival>(const std::string&)> meter_;
  std::vector<Pending> pending_;
  std::deque<uint8_t> queue_;
  std::vector<std::string> sent_;
  int waitingCalls_ = 0;
  int sendCalls_ = 0;
  int failWaitingFrom_ = 0;
  int32_t waitingCode_ = 0;
  int failSendFrom_ = 0;
  int32_t sendCode_ = 0;
};

// A reply frame for the given bytes with a correct LRC, as a meter sends it.
std::string MeterFrame(const std::vector<uint8_t>& bytes);
// The same bytes with a wrong LRC.
std::string FrameWithBadLrc(const std::vector<uint8_t>& bytes);
