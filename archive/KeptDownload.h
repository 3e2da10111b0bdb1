#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Clock.h"
#include "MeterLink.h"
#include "ReadingTable.h"

// A download as the meter sent it, and what is needed to decode it again to the same
// readings: every record's registers (empty slots too), the meter, the units answer and
// the moment whose date placed the readings in their year.
struct KeptDownload {
  MeterKind kind = MeterKind::MultiParameter;
  KindToldBy toldBy = KindToldBy::Identification;
  std::string port;
  LocalMoment moment;
  int32_t units = UnitsNotAsked;  // a DoUnits: the answer, or not asked (also when none could be had)
  int32_t registersPerRecord = 8;
  std::vector<std::vector<uint16_t>> records;
};

// What a download that read every record leaves in the link.
KeptDownload KeptFromLink(const MeterLink& link, const std::string& port);

// The kept download as text: a version line, one "name: value" line each, then the records
// one a line as their registers in hexadecimal.
std::string FormatKeptDownload(const KeptDownload& kept);

// The text back; false with `error` naming the line and what is wrong with it.
bool ParseKeptDownload(const std::string& text, KeptDownload& kept, std::string& error);

// Every record decoded again as the download decoded it, with the download's own date and
// the given units (a DoUnits; UnitsNotAsked for a meter that is not asked), then compacted
// as a download leaves the table, for fillGrid to sort. Returns the number of valid readings.
int32_t ReplayIntoTable(const KeptDownload& kept, int32_t units, ReadingTable& table);

// "2026-12-07 10:15:42", and with the offset from UTC "2026-12-07 10:15:42 +01:00".
std::string MomentText(const LocalMoment& moment, bool withOffset);
// The text with the offset back, exactly as written, of a year from 1970; false for any other.
bool ParseMomentText(const std::string& text, LocalMoment& moment);

// Text read from outside (a kept file, a command line) as it may be shown on a terminal: each
// control character as \xNN, so no field can move the cursor or change the colours.
std::string Printable(const std::string& text);

// The short names of meters and units in kept files and on the command line.
