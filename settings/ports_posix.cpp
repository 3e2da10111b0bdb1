#include <dirent.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "DeviceLock.h"
#include "PortAccess.h"
#include "PortDescription.h"
#include "PortNames.h"
#include "Ports.h"

namespace {

// The names serial devices go by on Linux and the BSDs: UARTs, USB adapters, modems.
constexpr const char* kPrefixes[] = {"ttyS", "ttyUSB", "ttyACM", "ttyAMA", "ttyXRUSB", "cuaU", "ttyU"};

bool LooksSerial(const std::string& name) {
  for (const char* prefix : kPrefixes) {
    if (name.starts_with(prefix)) return true;
  }
  return false;
}

// The paths of the serial devices under /dev, in the program's order.
std::vector<std::string> SerialDevices() {
  std::vector<std::string> devices;
  DIR* dev = opendir("/dev");
  if (dev == nullptr) return devices;
  while (const dirent* entry = readdir(dev)) {
    if (LooksSerial(entry->d_name)) devices.push_back(std::string("/dev/") + entry->d_name);
  }
  closedir(dev);
  SortPortNames(devices);
  return devices;
}

Claim ProbeDevice(const std::string& device, std::string& why) {
  HeldDevice looked;
  return ClaimDevice(device, false, looked, why);
}

bool Refused(const std::string& path) { return access(path.c_str(), R_OK | W_OK) != 0 && errno == EACCES; }

}  // namespace

std::vector<std::string> PortDiscovery() {
  std::vector<std::string> ports;
  for (const std::string& device : SerialDevices()) {
    // A port is usable when it would open for the meter now: present, a terminal, locked by
    // no other program. The look configures nothing.
    std::string why;
    if (ProbeDevice(device, why) == Claim::Granted) ports.push_back(device);
  }
  return ports;
}

std::vector<BusyPort> BusyPorts() {
  std::vector<BusyPort> busy;
  for (const std::string& device : SerialDevices()) {
    std::string why;
    if (ProbeDevice(device, why) == Claim::Busy) busy.push_back({device, why});
  }
  return busy;
}

std::vector<RefusedPort> RefusedPorts() {
  std::vector<RefusedPort> refused;
  for (const std::string& device : SerialDevices()) {
    if (Refused(device)) refused.push_back({device, std::strerror(EACCES)});
  }
  return refused;
}

std::string PortRemedy(const std::string& port) {
  struct stat info {};
  if (stat(port.c_str(), &info) != 0 || !S_ISCHR(info.st_mode) || !Refused(port)) return "";
  // Serial devices belong to a group that may read and write them (dialout on Debian, uucp
  // elsewhere); membership counts from the next login.
  const mode_t groupReadWrite = S_IRGRP | S_IWGRP;
  if (info.st_gid == 0 || (info.st_mode & groupReadWrite) != groupReadWrite) return "";
  const group* owners = getgrgid(info.st_gid);
  if (owners == nullptr) return "";
  return std::string("add your user to the '") + owners->gr_name + "' group, then log in again";
}

std::string PortDescription(const std::string& port) { return PortDescriptionFrom(port, "/sys", "/dev/serial/by-id"); }
