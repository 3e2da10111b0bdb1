#pragma once

#include <string>
#include <vector>

// A serial device held for this program in every way Linux serial programs honour: the open
// descriptor with its flock, UUCP lock files ("LCK..ttyUSB0" in /run/lock and /var/lock) and
// exclusive mode. Going out of scope gives up every one of them. POSIX only.
struct HeldDevice {
  HeldDevice() = default;
  ~HeldDevice();
  HeldDevice(const HeldDevice&) = delete;
  HeldDevice& operator=(const HeldDevice&) = delete;

  int fd = -1;
  bool exclusive = false;
  std::vector<std::string> lockFiles;
};

enum class Claim { Granted, Busy, Unusable };

// Opens a terminal device that no other program has locked. With `takeLocks` it stays locked
// for this program while `held` lives; without, it is only looked at, and nothing of the device
// or of the lock folders changes. Busy: `why` names the holder, as in "locked by process 123
// (minicom)"; Unusable: `why` is the system's reason. A device merely held open by another
// program, such as the far side of a pseudo-terminal, is granted.
Claim ClaimDevice(const std::string& path, bool takeLocks, HeldDevice& held, std::string& why);
