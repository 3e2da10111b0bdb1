#include "StopSignal.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace {

int stopWriteFd = -1;

void OnStopSignal(int) {
  int savedErrno = errno;
  char byte = 0;
  [[maybe_unused]] ssize_t ignored = write(stopWriteFd, &byte, 1);
  errno = savedErrno;
}

}  // namespace

int InstallStopSignals(std::string& error) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
    error = std::string("pipe: ") + std::strerror(errno);
    return -1;
  }
  stopWriteFd = fds[1];
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a paced sleep must return early to notice the stop.
  for (int signal : {SIGTERM, SIGINT}) {
    if (sigaction(signal, &action, nullptr) != 0) {
      error = std::string("sigaction: ") + std::strerror(errno);
      return -1;
    }
  }
  return fds[0];
}
