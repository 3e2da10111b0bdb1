#pragma once

#include <string>

// Returns the read end of a pipe that becomes readable once SIGTERM or SIGINT has arrived,
// so a poll loop wakes for them; -1 with error set on failure.
int InstallStopSignals(std::string& error);
