#include "Pty.h"

#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

std::string SystemError(const std::string& what) { return what + ": " + std::strerror(errno); }

}  // namespace

bool OpenMeterPty(MeterPty& pty, std::string& error) {
  char name[256] = {};
  int slave = -1;
  if (openpty(&pty.master, &slave, name, nullptr, nullptr) != 0) {
    error = SystemError("openpty");
    return false;
  }
  pty.slavePath = name;

  termios line{};
  if (tcgetattr(slave, &line) != 0) {
    close(slave);
    error = SystemError("tcgetattr " + pty.slavePath);
    return false;
  }
  cfmakeraw(&line);
  cfsetispeed(&line, B9600);
  cfsetospeed(&line, B9600);
  line.c_cflag &= ~static_cast<tcflag_t>(PARENB | CSTOPB | CSIZE | CRTSCTS);
  line.c_cflag |= CS8 | CLOCAL | CREAD;
  line.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  const bool set = tcsetattr(slave, TCSANOW, &line) == 0;
  if (!set) error = SystemError("tcsetattr " + pty.slavePath);
  // The line settings stay with the pair while the master side is open.
  close(slave);
  if (!set) return false;

  int flags = fcntl(pty.master, F_GETFL);
  if (flags < 0 || fcntl(pty.master, F_SETFL, flags | O_NONBLOCK) != 0) {
    error = SystemError("fcntl");
    return false;
  }
  return true;
}

void CloseMeterPty(MeterPty& pty) {
  if (pty.master >= 0) close(pty.master);
  pty.master = -1;
}

bool CreatePortLink(const std::string& linkPath, const std::string& target, std::string& error) {
  struct stat existing {};
  if (lstat(linkPath.c_str(), &existing) == 0) {
    if (!S_ISLNK(existing.st_mode)) {
      error = linkPath + ": exists and is not a symbolic link";
      return false;
    }
    if (unlink(linkPath.c_str()) != 0) {
      error = SystemError(linkPath);
      return false;
    }
  }
  if (symlink(target.c_str(), linkPath.c_str()) != 0) {
    error = SystemError(linkPath);
    return false;
  }
  return true;
}
