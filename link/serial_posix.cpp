#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>

#ifdef __linux__
#include <linux/serial.h>
#endif

#include "DeviceLock.h"
#include "ErrorText.h"
#include "SerialPort.h"

namespace {

// The system's number for an errno value, in the error-number space of the link.
int32_t SystemErrorCode(int err) {
  switch (err) {
    case EACCES:
    case EPERM: return PermissionDenied;
    case ENOENT: return FileNotFound;
    case ENOMEM: return OutOfMemory;
    case EBADF: return PortNotOpen;
    case EIO:
    case ENXIO:
    case ENODEV: return DeviceIoError;
    default: return UnknownPortError;
  }
}

// Framing, overrun and buffer-overrun counts of a real UART. Pseudo-terminals and
// non-Linux systems have none; then only a failing read or queue query is a line error.
struct LineErrorCounter {
  bool supported = false;
  long total = 0;
};

LineErrorCounter ReadLineErrors(int fd) {
  LineErrorCounter counter;
#ifdef TIOCGICOUNT
  serial_icounter_struct counts{};
  if (ioctl(fd, TIOCGICOUNT, &counts) == 0) {
    counter.supported = true;
    counter.total = static_cast<long>(counts.frame) + counts.overrun + counts.buf_overrun;
  }
#else
  (void)fd;
#endif
  return counter;
}

// Raw 9600 8N1 with every kind of flow control off; reads return at once with what is there.
int32_t ApplyLineSettings(int fd) {
  termios tty{};
  if (tcgetattr(fd, &tty) != 0) return SystemErrorCode(errno);
  cfmakeraw(&tty);
  if (cfsetispeed(&tty, B9600) != 0 || cfsetospeed(&tty, B9600) != 0) return IllegalFunctionCall;
  tty.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS | HUPCL);
  tty.c_cflag |= CS8 | CLOCAL | CREAD;
  tty.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
  tty.c_cc[VMIN] = 0;
  tty.c_cc[VTIME] = 0;
  if (tcsetattr(fd, TCSANOW, &tty) != 0) return IllegalFunctionCall;
  // The driver raised DTR and RTS on open; the meter's line has them low. A pseudo-terminal
  // has no modem lines and refuses, which is no failure.
  const int modemLines = TIOCM_DTR | TIOCM_RTS;
  ioctl(fd, TIOCMBIC, &modemLines);
  return 0;
}

// The device and its locks are given up when the port goes, on a failed open too.
class PosixSerialPort final : public SerialPort {
 public:
  int32_t Open(const std::string& name, std::string& why) {
    if (ClaimDevice(name, true, device_, why) != Claim::Granted) return PortNotAvailable;
    if (int32_t code = ApplyLineSettings(device_.fd); code != 0) {
      why = ErrorText(code);
      return code;
    }
    lineErrors_ = ReadLineErrors(device_.fd);
    return 0;
  }

  int32_t CharactersWaiting(int32_t& count) override {
    count = 0;
    int waiting = 0;
    if (ioctl(device_.fd, FIONREAD, &waiting) != 0) return DeviceIoError;
    if (lineErrors_.supported) {
      const LineErrorCounter now = ReadLineErrors(device_.fd);
      if (now.total != lineErrors_.total) {
        lineErrors_ = now;
        return DeviceIoError;
      }
    }
    count = waiting;
    return 0;
  }

  int32_t Receive(uint8_t* into, int32_t n) override {
    int32_t got = 0;
    while (got < n) {
      const ssize_t r = read(device_.fd, into + got, static_cast<size_t>(n - got));
      if (r > 0) {
        got += static_cast<int32_t>(r);
      } else if (r < 0 && errno == EINTR) {
        continue;
      } else {
        return DeviceIoError;  // the characters said to be waiting are not there
      }
    }
    return 0;
  }

  int32_t Send(const uint8_t* bytes, int32_t n) override {
    int32_t sent = 0;
    while (sent < n) {
      const ssize_t w = write(device_.fd, bytes + sent, static_cast<size_t>(n - sent));
      if (w > 0) {
        sent += static_cast<int32_t>(w);
      } else if (w < 0 && errno == EINTR) {
        continue;
      } else if (w < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && WritableSoon()) {
        continue;
      } else {
        return WriteIncomplete;
      }
    }
    return 0;
  }

 private:
  // A full transmit queue drains at 960 characters a second; one that does not drain within
  // a second is stuck, and the write is reported incomplete rather than waited on forever.
  bool WritableSoon() {
    pollfd watch{device_.fd, POLLOUT, 0};
    // no-mutate(== 1; != 0): only a queue that fills asks, and a pseudo-terminal's never does in a test
    return poll(&watch, 1, 1000) == 1 && (watch.revents & POLLOUT) != 0;
  }

  HeldDevice device_;
  LineErrorCounter lineErrors_;
};

}  // namespace

int32_t OpenSerialDevice(const std::string& name, std::unique_ptr<SerialPort>& port, std::string& why) {
  port.reset();
  auto opened = std::make_unique<PosixSerialPort>();
  const int32_t code = opened->Open(name, why);
  if (code == 0) port = std::move(opened);
  return code;
}
