#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// A datapond-meter running for one measurement: started with the given options, its
// pseudo-terminal path read from its first line, stopped with SIGTERM at the end.
class MeterProcess {
 public:
  explicit MeterProcess(const std::vector<std::string>& options);
  ~MeterProcess();
  MeterProcess(const MeterProcess&) = delete;
  MeterProcess& operator=(const MeterProcess&) = delete;

  const std::string& Path() const { return path_; }
  // Sends SIGTERM and returns the exit status (-1 if it did not exit normally).
  int Stop();

 private:
  pid_t pid_ = -1;
  std::string path_;
};
