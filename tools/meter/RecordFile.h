#pragma once

#include <string>
#include <string_view>

#include "Meter.h"

// Fills the meter's records from the text of a records file: one record per line as its
// registers in hex words, '#' comments, blank lines skipped. On failure returns false with
// error = "NAME:LINE: reason" and the meter partly filled.
bool ParseRecords(std::string_view text, std::string_view name, Meter& meter, std::string& error);

bool LoadRecordFile(const std::string& path, Meter& meter, std::string& error);
