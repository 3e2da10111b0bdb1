#pragma once

#include <string>
#include <vector>

// Why a port is missing from the list, or did not open, beyond the program's "not available":
// on Linux the commonest first problem is a user who may not open serial devices at all.

// A serial device that is there but that this user may not open.
struct RefusedPort {
  std::string name;
  std::string reason;  // the system's words
};

// A serial device that another program has locked, and the holder, as in "locked by process
// 123 (minicom)".
struct BusyPort {
  std::string name;
  std::string reason;
};

// The serial devices port discovery passes over because another program has locked them;
// none on Windows, where a port in use just does not open.
std::vector<BusyPort> BusyPorts();

// The serial devices port discovery passes over because this user may not open them; none
// on Windows, where the Ports class lists only what the system offers this user.
std::vector<RefusedPort> RefusedPorts();

// What would let this user open a port that the system refused them, such as "add your
// user to the 'dialout' group, then log in again"; "" when nothing is known.
std::string PortRemedy(const std::string& port);
