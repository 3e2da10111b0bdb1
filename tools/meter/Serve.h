#pragma once

#include <string>

#include "Meter.h"

// Ways the simulated meter misbehaves on the line; they combine.
struct Faults {
  bool silent = false;
  long stopAfter = -1;   // requests answered before the meter falls silent; -1: no limit
  int slowMs = 0;        // pause before each character pair after the ':'
  bool garbage = false;  // noise before the ':' of every reply
  long badLrcReply = 0;  // 1-based number of the reply sent with a wrong LRC; 0: none
  bool pace = false;     // send at the real 9600 baud 8N1 character rate
};

// Answers the requests that arrive on the pseudo-terminal master until stopFd becomes readable.
// Returns false with error set when the line fails.
bool Serve(const Meter& meter, const Faults& faults, int masterFd, int stopFd, std::string& error);
