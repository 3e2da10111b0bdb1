#include <dirent.h>

#include <memory>

#include "PortNames.h"
#include "Ports.h"
#include "SerialPort.h"

namespace {

// The names serial devices go by on Linux and the BSDs: UARTs, USB adapters, modems.
constexpr const char* kPrefixes[] = {"ttyS", "ttyUSB", "ttyACM", "ttyAMA", "ttyXRUSB", "cuaU", "ttyU"};

bool LooksSerial(const std::string& name) {
  for (const char* prefix : kPrefixes) {
    if (name.rfind(prefix, 0) == 0) return true;
  }
  return false;
}

}  // namespace

std::vector<std::string> PortDiscovery() {
  std::vector<std::string> ports;
  DIR* dev = opendir("/dev");
  if (dev == nullptr) return ports;
  while (const dirent* entry = readdir(dev)) {
    const std::string name = entry->d_name;
    if (!LooksSerial(name)) continue;
    // A port is usable when it opens for the meter now: present, a terminal, not in use.
    std::unique_ptr<SerialPort> port;
    std::string why;
    if (OpenSerialDevice("/dev/" + name, port, why) == 0) ports.push_back("/dev/" + name);
  }
  closedir(dev);
  SortPortNames(ports);
  return ports;
}
