#pragma once

#include <string>

struct MeterPty {
  int master = -1;
  std::string slavePath;
};

// Opens a pseudo-terminal whose slave side is a raw 9600 8N1 line without flow control; the
// master side is non-blocking. The slave side is not held open: like a meter on a real
// port, the simulator is no program that has the port open. On failure returns false with error set.
bool OpenMeterPty(MeterPty& pty, std::string& error);

void CloseMeterPty(MeterPty& pty);

// Points the symlink linkPath at target, replacing an existing symlink but nothing else.
bool CreatePortLink(const std::string& linkPath, const std::string& target, std::string& error);
