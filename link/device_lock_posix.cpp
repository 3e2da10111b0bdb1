#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <utility>

#ifdef __linux__
#include <sys/sysmacros.h>
#endif

#include "DeviceLock.h"

namespace {

// Where serial programs leave UUCP lock files; on many systems one is a link to the other.
constexpr const char* kLockFolders[] = {"/run/lock", "/var/lock"};

// The lock folders that exist, each once.
std::vector<std::string> LockFolders() {
  std::vector<std::string> folders;
  std::vector<std::pair<dev_t, ino_t>> seen;
  for (const char* folder : kLockFolders) {
    struct stat info {};
    if (stat(folder, &info) != 0 || !S_ISDIR(info.st_mode)) continue;
    if (std::find(seen.begin(), seen.end(), std::pair(info.st_dev, info.st_ino)) != seen.end()) continue;
    seen.emplace_back(info.st_dev, info.st_ino);
    folders.push_back(folder);
  }
  return folders;
}

// "process N (name)", or "" for no process.
std::string ProcessText(long pid) {
  if (pid <= 0) return "";
  std::string name;
  std::getline(std::ifstream("/proc/" + std::to_string(pid) + "/comm"), name);
  return "process " + std::to_string(pid) + (name.empty() ? "" : " (" + name + ")");
}

// A process of another user, which this one may not signal, lives too.
bool Alive(long pid) { return pid > 0 && pid <= INT_MAX && (kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM); }

// The process whose flock holds the device file, from the kernel's table of locks; 0 if unseen.
long FlockHolder(const struct stat& file) {
  std::ifstream locks("/proc/locks");
  std::string line;
  while (std::getline(locks, line)) {
    // "1: FLOCK  ADVISORY  WRITE 1234 00:05:87 0 EOF"; a waiting lock has "->" before FLOCK.
    char kind[16] = {};
    long pid = 0;
    unsigned devMajor = 0, devMinor = 0;  // no-mutate(0): read only when the scan sets them
    unsigned long long inode = 0;
    if (std::sscanf(line.c_str(), "%*d: %15s %*s %*s %ld %x:%x:%llu", kind, &pid, &devMajor, &devMinor, &inode) == 5 &&
        std::strcmp(kind, "FLOCK") == 0 && devMajor == major(file.st_dev) && devMinor == minor(file.st_dev) &&
        inode == file.st_ino) {
      return pid;
    }
  }
  return 0;
}

// The other processes that have the device open, as far as /proc shows this user. Exclusive
// mode records no owner, so these are who may have set it.
std::string OpenedBy(dev_t device) {
  DIR* proc = opendir("/proc");
  if (proc == nullptr) return "";
  const long self = getpid();
  std::string holders;
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
        holders += (holders.empty() ? "" : ", ") + ProcessText(pid);
        break;
      }
    }
    closedir(fds);
  }
  closedir(proc);
  return holders;
}

// "LCK..ttyUSB0" for a device directly in /dev, however it was named (a link under
// /dev/serial/by-id too). One in a sub-folder, such as /dev/pts/3, goes by its device numbers,
// "LCK.136.3", which no "LCK.." name can equal.
std::string LockFileName(const std::string& path, dev_t device) {
  char* real = realpath(path.c_str(), nullptr);
  const std::string resolved = real != nullptr ? real : "";
  std::free(real);
  const bool directlyInDev = resolved.starts_with("/dev/") && resolved.find('/', 5) == std::string::npos;
  if (directlyInDev) return "LCK.." + resolved.substr(5);
  return "LCK." + std::to_string(major(device)) + "." + std::to_string(minor(device));
}

// The process a lock file names, its number as text as UUCP programs write it; 0 if none.
long LockFileOwner(const std::string& lock) {
  std::ifstream text(lock);
  long pid = 0;
  return text >> pid ? pid : 0;
}

// A live lock of another process, which may hold it after our look too.
long OtherOwner(const std::string& lock) {
  const long owner = LockFileOwner(lock);
  return Alive(owner) && owner != getpid() ? owner : 0;
}

// Written whole under a name of our own and then linked into place, so that no program reads
// a half-written lock; the lock of a process that has gone is taken over. False with `owner`
// the holder, or 0 when the folder cannot be written.
bool TakeLockFile(const std::string& lock, long& owner) {
  owner = 0;
  const std::string mine = lock.substr(0, lock.rfind('/') + 1) + "LTMP." + std::to_string(getpid());
  unlink(mine.c_str());  // left by a process that had our number
  const int fd = open(mine.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  char text[16];
  const int length = std::snprintf(text, sizeof text, "%10ld\n", static_cast<long>(getpid()));
  const bool written = write(fd, text, static_cast<size_t>(length)) == length;
  bool taken = false;
  if (close(fd) == 0 && written) {
    // Another program may take over the same stale lock at the same moment; one of us wins.
    for (int attempt = 0; attempt < 3 && owner == 0; ++attempt) {  // no-mutate(0): a race no test can stage
      taken = link(mine.c_str(), lock.c_str()) == 0;
      if (taken || errno != EEXIST) break;
      owner = OtherOwner(lock);
      if (owner == 0) unlink(lock.c_str());
    }
  }
  unlink(mine.c_str());
  return taken;
}

Claim Busy(std::string& why, const std::string& state, const std::string& holders) {
  why = state + " by " + (holders.empty() ? "another program" : holders);
  return Claim::Busy;
}

}  // namespace

HeldDevice::~HeldDevice() {
  // Exclusive mode outlives our close while the far side of a pseudo-terminal stays open.
  if (exclusive) ioctl(fd, TIOCNXCL);
  if (fd >= 0) close(fd);
  for (const std::string& lock : lockFiles) unlink(lock.c_str());
}

Claim ClaimDevice(const std::string& path, bool takeLocks, HeldDevice& held, std::string& why) {
  why.clear();
  struct stat info {};
  // Non-blocking: the open waits for no carrier, and no read or write can hang.
  held.fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (held.fd < 0) {  // no-mutate(< 0): standard input holds 0
    // A terminal in exclusive mode refuses every open but root's.
    if (errno == EBUSY && stat(path.c_str(), &info) == 0) return Busy(why, "in exclusive use", OpenedBy(info.st_rdev));
    why = std::strerror(errno);
    return Claim::Unusable;
  }
  // Only a terminal device is a port; a regular file or anything else is "not available".
  if (fstat(held.fd, &info) != 0 || !S_ISCHR(info.st_mode) || !isatty(held.fd)) {
    why = S_ISDIR(info.st_mode) ? "a folder, not a serial port" : "not a serial port";
    return Claim::Unusable;
  }
#ifdef TIOCGEXCL
  int exclusive = 0;
  if (ioctl(held.fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0) {
    return Busy(why, "in exclusive use", OpenedBy(info.st_rdev));
  }
#endif
  // The flock goes with the descriptor, so a mere look gives it up as the device closes.
  if (flock(held.fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {  // no-mutate(!= 0): 0 or -1
    return Busy(why, "locked", ProcessText(FlockHolder(info)));
  }
  const std::string name = LockFileName(path, info.st_rdev);
  for (const std::string& folder : LockFolders()) {
    const std::string lock = folder + "/" + name;
    long owner = OtherOwner(lock);
    // A folder this user may not write (or none at all) leaves the flock and exclusive mode,
    // as with other serial programs.
    if (owner == 0 && takeLocks && TakeLockFile(lock, owner)) held.lockFiles.push_back(lock);
    if (owner != 0) return Busy(why, "locked", ProcessText(owner));
  }
  if (takeLocks) held.exclusive = ioctl(held.fd, TIOCEXCL) == 0;
  return Claim::Granted;
}
