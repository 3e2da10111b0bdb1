#include "MeterProcess.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>

extern char** environ;

MeterProcess::MeterProcess(const std::vector<std::string>& options) {
  int out[2];
  if (pipe(out) != 0) throw std::runtime_error("pipe");
  std::vector<std::string> words = {DATAPOND_METER_PATH};
  words.insert(words.end(), options.begin(), options.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  const int failed = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (failed != 0) {
    close(out[0]);
    throw std::runtime_error("cannot start " + words[0]);
  }
  char c = 0;
  while (read(out[0], &c, 1) == 1 && c != '\n') path_ += c;
  close(out[0]);
  if (path_.empty()) {
    Stop();
    throw std::runtime_error("datapond-meter printed no port");
  }
}

int MeterProcess::Stop() {
  if (pid_ <= 0) return -1;
  kill(pid_, SIGTERM);
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

MeterProcess::~MeterProcess() { Stop(); }
