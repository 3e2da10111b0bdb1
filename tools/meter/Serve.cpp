#include "Serve.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <iterator>
#include <string_view>
#include <vector>

#include "Frame.h"

namespace {

// 10 bits a character (start, 8 data, stop) at 9600 baud.
constexpr long characterNs = 1'000'000'000L * 10 / 9600;

enum class SendResult { Sent, Stopped, Failed, Interrupted };

void AddNs(timespec& t, long ns) {
  t.tv_nsec += ns % 1'000'000'000L;
  t.tv_sec += ns / 1'000'000'000L;
  if (t.tv_nsec >= 1'000'000'000L) {
    t.tv_nsec -= 1'000'000'000L;
    ++t.tv_sec;
  }
}

enum class Wait { Elapsed, Stopped, Interrupted };

// Waits until an absolute deadline, so a paced reply does not drift however long each write
// takes. A stop ends the wait, and so does a new request from the client: a meter that
// hears a new request drops the reply it was still sending and answers that one.
Wait SleepUntil(const timespec& deadline, int stopFd, int masterFd) {
  for (;;) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    long long left = (deadline.tv_sec - now.tv_sec) * 1'000'000'000LL + (deadline.tv_nsec - now.tv_nsec);
    if (left < 0) left = 0;
    const timespec timeout{static_cast<time_t>(left / 1'000'000'000LL), static_cast<long>(left % 1'000'000'000LL)};
    pollfd fds[2] = {{stopFd, POLLIN, 0}, {masterFd, POLLIN, 0}};
    const int ready = ppoll(fds, 2, &timeout, nullptr);
    if (ready < 0 && errno == EINTR) continue;
    if (ready > 0 && fds[0].revents != 0) return Wait::Stopped;
    if (ready > 0 && fds[1].revents != 0) return Wait::Interrupted;
    if (left == 0 || ready == 0) return Wait::Elapsed;
  }
}

SendResult WriteAll(int fd, const char* data, std::size_t size, int stopFd) {
  while (size > 0) {
    ssize_t written = write(fd, data, size);
    if (written > 0) {
      data += written;
      size -= static_cast<std::size_t>(written);
      continue;
    }
    // The client closed the port before the reply was out: the reply is dropped.
    if (written < 0 && errno == EIO) return SendResult::Interrupted;
    if (written < 0 && errno != EAGAIN && errno != EINTR) return SendResult::Failed;
    // The client is not reading and the line's buffer is full: wait for room or a stop.
    pollfd fds[2] = {{fd, POLLOUT, 0}, {stopFd, POLLIN, 0}};
    if (poll(fds, 2, -1) < 0 && errno != EINTR) return SendResult::Failed;
    if (fds[1].revents != 0) return SendResult::Stopped;
  }
  return SendResult::Sent;
}

// A few bytes of line noise, different from reply to reply, never a ':'.
std::string Noise(long replyNumber) {
  using namespace std::literals;
  static const std::string_view noises[] = {"\xFF\x00\x7F"sv, "~\r\n"sv, "\x13\x80?\xC3\x11"sv, "\x00\x00"sv,
                                            "*\xFE\x01\n"sv};
  return std::string(noises[static_cast<std::size_t>(replyNumber) % std::size(noises)]);
}

void CorruptLrc(std::string& frame) {
  char& lowDigit = frame[frame.size() - 3];
  lowDigit = lowDigit == '0' ? '1' : '0';
}

SendResult SendReply(const std::string& noise, const std::string& frame, const Faults& faults, int fd, int stopFd) {
  if (!faults.pace && faults.slowMs == 0) {
    std::string all = noise + frame;
    return WriteAll(fd, all.data(), all.size(), stopFd);
  }
  // The noise and the ':' go out together, then the frame a character pair at a time.
  std::vector<std::string> pieces = {noise + frame.substr(0, 1)};
  for (std::size_t i = 1; i < frame.size(); i += 2) pieces.push_back(frame.substr(i, 2));

  timespec next{};
  clock_gettime(CLOCK_MONOTONIC, &next);
  for (std::size_t p = 0; p < pieces.size(); ++p) {
    if (p > 0) AddNs(next, faults.slowMs * 1'000'000L);
    const std::string& piece = pieces[p];
    std::size_t step = faults.pace ? 1 : piece.size();
    for (std::size_t i = 0; i < piece.size(); i += step) {
      switch (SleepUntil(next, stopFd, fd)) {
        case Wait::Elapsed: break;
        case Wait::Stopped: return SendResult::Stopped;
        case Wait::Interrupted: return SendResult::Interrupted;
      }
      SendResult result = WriteAll(fd, piece.data() + i, step, stopFd);
      if (result != SendResult::Sent) return result;
      if (faults.pace) AddNs(next, characterNs);
    }
  }
  return SendResult::Sent;
}

// While no client has the port open the master side reports a hang-up at once; look again
// a little later. False when a stop came instead.
bool AwaitClient(int stopFd) {
  pollfd stop{stopFd, POLLIN, 0};
  return poll(&stop, 1, 20) <= 0 || stop.revents == 0;
}

bool Answers(const Faults& faults, long requestNumber) {
  if (faults.silent) return false;
  return faults.stopAfter < 0 || requestNumber <= faults.stopAfter;
}

}  // namespace

bool Serve(const Meter& meter, const Faults& faults, int masterFd, int stopFd, std::string& error) {
  FrameParser parser;
  std::vector<uint8_t> request;
  long requests = 0;
  long replies = 0;
  char buffer[256];
  for (;;) {
    pollfd fds[2] = {{masterFd, POLLIN, 0}, {stopFd, POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      error = std::string("poll: ") + std::strerror(errno);
      return false;
    }
    if (fds[1].revents != 0) return true;
    ssize_t received = (fds[0].revents & POLLIN) != 0 ? read(masterFd, buffer, sizeof buffer) : -1;
    if (received < 0 && ((fds[0].revents & POLLIN) == 0 || errno == EIO)) {
      if (!AwaitClient(stopFd)) return true;
      continue;
    }
    if (received < 0) {
      if (errno == EAGAIN || errno == EINTR) continue;
      error = std::string("read: ") + std::strerror(errno);
      return false;
    }
    for (ssize_t i = 0; i < received; ++i) {
      if (!FeedFrameChar(parser, buffer[i], request)) continue;
      // Broadcasts (address 0) and other slaves' requests are never answered.
      if (request[0] != meterAddress) continue;
      if (!Answers(faults, ++requests)) continue;
      std::string frame = BuildFrame(AnswerRequest(meter, request));
      ++replies;
      if (replies == faults.badLrcReply) CorruptLrc(frame);
      std::string noise = faults.garbage ? Noise(replies) : std::string();
      switch (SendReply(noise, frame, faults, masterFd, stopFd)) {
        case SendResult::Sent: break;
        case SendResult::Interrupted: break;  // the new request is read next
        case SendResult::Stopped: return true;
        case SendResult::Failed: error = std::string("write: ") + std::strerror(errno); return false;
      }
    }
  }
}
