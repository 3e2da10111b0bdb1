#pragma once

#include <string>
#include <vector>

// The port a serial device offers, from its friendly name such as "USB Serial Port (COM10)":
// the second field when "(" and ")" separate fields, "" when there is none. Printer ports
// (any "LPT" in the name) are not candidates: false.
bool CandidatePort(const std::string& friendlyName, std::string& port);

// The program's order of port names: text compared without regard to letter case, so COM10
// comes before COM2.
void SortPortNames(std::vector<std::string>& names);
