#include "PortAccess.h"

// Windows lists no port a user may not open and names no remedy beyond its own reason.
std::vector<RefusedPort> RefusedPorts() { return {}; }

std::vector<BusyPort> BusyPorts() { return {}; }

std::string PortRemedy(const std::string&) { return ""; }
