#pragma once

#include <string>
#include <vector>

// The serial ports that exist and can be opened for the meter right now, in the program's
// order (names compared without regard to letter case): on Windows the devices of the Ports
// class, on POSIX the serial devices under /dev.
std::vector<std::string> PortDiscovery();
