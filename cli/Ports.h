#pragma once

#include <string>
#include <vector>

// The serial ports that exist and can be opened for the meter right now, in the
// program's order: names compared without regard to letter case.
std::vector<std::string> UsablePorts();
