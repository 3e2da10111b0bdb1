#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

#ifdef __linux__
#include <linux/serial.h>
#endif

#include "ErrorText.h"
#include "SerialPort.h"

namespace {

// The system's number for an errno value, in the error-number space of the link.
int32_t SystemErrorCode(int err) {
  switch (err) {
    case EACCES:
    case EPERM: return PermissionDenied;
    case ENOENT: return 53;
    case ENOMEM: return 7;
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

class PosixSerialPort final : public SerialPort {
 public:
  explicit PosixSerialPort(int fd) : fd_(fd), lineErrors_(ReadLineErrors(fd)) {}
  ~PosixSerialPort() override { close(fd_); }
  PosixSerialPort(const PosixSerialPort&) = delete;
  PosixSerialPort& operator=(const PosixSerialPort&) = delete;

  int32_t CharactersWaiting(int32_t& count) override {
    count = 0;
    int waiting = 0;
    if (ioctl(fd_, FIONREAD, &waiting) != 0) return DeviceIoError;
    if (lineErrors_.supported) {
      const LineErrorCounter now = ReadLineErrors(fd_);
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
      const ssize_t r = read(fd_, into + got, static_cast<size_t>(n - got));
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
      const ssize_t w = write(fd_, bytes + sent, static_cast<size_t>(n - sent));
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
    pollfd watch{fd_, POLLOUT, 0};
    return poll(&watch, 1, 1000) == 1 && (watch.revents & POLLOUT) != 0;
  }

  int fd_;
  LineErrorCounter lineErrors_;
};

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

// Another process that has the device open, as far as /proc shows it: "process N (name)",
// or "" when none is seen. An unprivileged user sees only their own processes, so another
// user's program holding the port stays invisible here; the exclusive lock still keeps out
// whoever opens it after us.
std::string OtherHolder(dev_t device) {
  DIR* proc = opendir("/proc");
  if (proc == nullptr) return "";
  const long self = getpid();
  std::string holder;
  while (const dirent* entry = readdir(proc)) {
    char* end = nullptr;
    const long pid = std::strtol(entry->d_name, &end, 10);
    if (*end != '\0' || pid <= 0 || pid == self) continue;
    const std::string fdFolder = std::string("/proc/") + entry->d_name + "/fd";
    DIR* fds = opendir(fdFolder.c_str());
    if (fds == nullptr) continue;
    while (const dirent* fd = readdir(fds)) {
      struct stat info {};
      if (fd->d_name[0] == '.' || stat((fdFolder + "/" + fd->d_name).c_str(), &info) != 0) continue;
      if (S_ISCHR(info.st_mode) && info.st_rdev == device) {
        std::string name;
        std::getline(std::ifstream(std::string("/proc/") + entry->d_name + "/comm"), name);
        holder = "process " + std::to_string(pid) + (name.empty() ? "" : " (" + name + ")");
        break;
      }
    }
    closedir(fds);
    if (!holder.empty()) break;
  }
  closedir(proc);
  return holder;
}

int32_t NotAvailable(int fd, std::string& why, const std::string& reason) {
  if (fd >= 0) close(fd);
  why = reason;
  return PortNotAvailable;
}

}  // namespace

int32_t OpenSerialDevice(const std::string& name, std::unique_ptr<SerialPort>& port, std::string& why) {
  port.reset();
  why.clear();
  // Non-blocking: the open waits for no carrier, and no read or write can hang.
  const int fd = open(name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return NotAvailable(-1, why, std::strerror(errno));
  struct stat info {};
  // Only a terminal device is a port; a regular file or anything else is "not available".
  if (fstat(fd, &info) != 0 || !S_ISCHR(info.st_mode) || !isatty(fd)) {
    return NotAvailable(fd, why, S_ISDIR(info.st_mode) ? "a folder, not a serial port" : "not a serial port");
  }
  // The advisory lock keeps out a second open from any program that also locks, root
  // included; TIOCEXCL keeps out later opens of programs that do not lock.
  if (ioctl(fd, TIOCEXCL) != 0 || flock(fd, LOCK_EX | LOCK_NB) != 0) {
    return NotAvailable(fd, why, "in use by another program");
  }
  // Neither keeps out a program that opened the port before us.
  if (const std::string holder = OtherHolder(info.st_rdev); !holder.empty()) {
    return NotAvailable(fd, why, "in use by " + holder);
  }
  if (int32_t code = ApplyLineSettings(fd); code != 0) {
    close(fd);
    why = ErrorText(code);
    return code;
  }
  port = std::make_unique<PosixSerialPort>(fd);
  return 0;
}
