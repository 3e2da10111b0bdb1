#include "KeptDownload.h"

#include <cstdio>
#include <sstream>

#include "Identify.h"
#include "LoggedReading.h"

namespace {

const char* const kVersionLine = "Datapond kept download, format 1";

const char* ToldByName(KindToldBy toldBy) { return toldBy == KindToldBy::Probe ? "probe" : "identification"; }

// Reads the fields of a kept file line by line, keeping the line number for its errors.
class Lines {
 public:
  explicit Lines(const std::string& text) : in_(text) {}

  bool Next(std::string& line) {
    if (!std::getline(in_, line)) {
      ended_ = true;
      return false;
    }
    ++number_;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
  }
  // The value of the next line, which must be "name: value".
  bool Field(const char* name, std::string& value, std::string& error) {
    std::string line;
    if (!Next(line)) return Fail("ends before its " + std::string(name) + " line", error);
    const std::string prefix = std::string(name) + ": ";
    if (line.rfind(prefix, 0) != 0) return Fail("\"" + prefix + "...\" expected", error);
    value = line.substr(prefix.size());
    return true;
  }
  bool Fail(const std::string& what, std::string& error) const {
    error = "line " + std::to_string(number_ + (ended_ ? 1 : 0)) + ": " + what;
    return false;
  }

 private:
  std::istringstream in_;
  int number_ = 0;
  bool ended_ = false;  // a line was asked for past the end: the error is on the missing one
};

bool ParseKind(const std::string& name, MeterKind& kind) {
  for (MeterKind k : {MeterKind::DissolvedOxygen, MeterKind::SuspendedSolids, MeterKind::MultiParameter}) {
    if (name == MeterKindName(k)) {
      kind = k;
      return true;
    }
  }
  return false;
}

bool ParseUnits(const std::string& name, int32_t& units) {
  for (int32_t u : {UnitsMgPerLitre, UnitsPercentSaturation, UnitsNotAsked}) {
    if (name == UnitsName(u)) {
      units = u;
      return true;
    }
  }
  return false;
}

// "2026-12-07 10:15:42 +01:00"
bool ParseMoment(const std::string& text, LocalMoment& moment) {
  int y, mo, d, h, mi, s, oh, om;
  char sign, tail;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d %c%2d:%2d%c", &y, &mo, &d, &h, &mi, &s, &sign, &oh, &om,
                  &tail) != 9 ||
      text.size() != 26 || (sign != '+' && sign != '-')) {
    return false;
  }
  if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 60 || oh > 23 || om > 59) return false;
  moment = {{y, mo, d, h, mi}, s, (sign == '-' ? -1 : 1) * (oh * 60 + om)};
  return true;
}

bool HexWord(const std::string& text, uint16_t& word) {
  if (text.size() != 4) return false;
  unsigned value = 0;
  for (char c : text) {
    const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    if (digit < 0) return false;
    value = value << 4 | static_cast<unsigned>(digit);
  }
  word = static_cast<uint16_t>(value);
  return true;
}

}  // namespace

const char* MeterKindName(MeterKind kind) {
  switch (kind) {
    case MeterKind::DissolvedOxygen: return "do";
    case MeterKind::SuspendedSolids: return "ss";
    case MeterKind::MultiParameter: break;
  }
  return "multi";
}

const char* UnitsName(int32_t units) {
  return units == UnitsMgPerLitre ? "mg/l" : units == UnitsPercentSaturation ? "sat" : "none";
}

KeptDownload KeptFromLink(const MeterLink& link, const std::string& port) {
  KeptDownload kept;
  kept.kind = link.meterKind;
  kept.toldBy = link.toldBy;
  kept.port = port;
  kept.moment = link.downloadMoment;
  kept.units = link.meterKind == MeterKind::DissolvedOxygen ? link.doUnitsChoice : UnitsNotAsked;
  kept.registersPerRecord = link.registersPerRecord;
  kept.records = link.records;
  return kept;
}

std::string FormatKeptDownload(const KeptDownload& kept) {
  const CivilTime& t = kept.moment.time;
  const int offset = kept.moment.utcOffsetMinutes;
  char moment[40];
  std::snprintf(moment, sizeof moment, "%04d-%02d-%02d %02d:%02d:%02d %c%02d:%02d", t.year % 10000, t.month % 100,
                t.day % 100, t.hour % 100, t.minute % 100, kept.moment.second % 100, offset < 0 ? '-' : '+',
                (offset < 0 ? -offset : offset) / 60 % 100, (offset < 0 ? -offset : offset) % 60);
  std::string text = std::string(kVersionLine) + "\n";
  text += "meter: " + std::string(MeterKindName(kept.kind)) + "\n";
  text += "kind told by: " + std::string(ToldByName(kept.toldBy)) + "\n";
  text += "port: " + kept.port + "\n";
  text += "downloaded: " + std::string(moment) + "\n";
  text += "units: " + std::string(UnitsName(kept.units)) + "\n";
  text += "records: " + std::to_string(kept.records.size()) + " of " + std::to_string(kept.registersPerRecord) +
          " registers\n";
  for (size_t i = 0; i < kept.records.size(); ++i) {
    char line[32];
    std::snprintf(line, sizeof line, "%3zu:", i);
    text += line;
    for (uint16_t word : kept.records[i]) {
      std::snprintf(line, sizeof line, " %04X", word);
      text += line;
    }
    text += "\n";
  }
  return text;
}

bool ParseKeptDownload(const std::string& text, KeptDownload& kept, std::string& error) {
  Lines lines(text);
  std::string line, value;
  if (!lines.Next(line)) return lines.Fail("empty, not a kept download", error);
  if (line != kVersionLine) {
    return lines.Fail(line.rfind("Datapond kept download", 0) == 0 ? "a format this version cannot read"
                                                                   : "not a kept download",
                      error);
  }
  KeptDownload read;
  if (!lines.Field("meter", value, error)) return false;
  if (!ParseKind(value, read.kind)) return lines.Fail("unknown meter \"" + value + "\"", error);
  if (!lines.Field("kind told by", value, error)) return false;
  if (value != "identification" && value != "probe") return lines.Fail("unknown way \"" + value + "\"", error);
  read.toldBy = value == "probe" ? KindToldBy::Probe : KindToldBy::Identification;
  if (!lines.Field("port", read.port, error)) return false;
  if (!lines.Field("downloaded", value, error)) return false;
  if (!ParseMoment(value, read.moment)) return lines.Fail("not a date and time \"" + value + "\"", error);
  if (!lines.Field("units", value, error)) return false;
  if (!ParseUnits(value, read.units)) return lines.Fail("unknown units \"" + value + "\"", error);
  if (read.units != UnitsNotAsked && read.kind != MeterKind::DissolvedOxygen) {
    return lines.Fail("units for a meter that has none", error);
  }
  if (!lines.Field("records", value, error)) return false;
  const RecordLayout layout = RecordLayoutOf(read.kind);
  read.registersPerRecord = layout.registersPerRecord;
  const std::string expected = std::to_string(layout.recordCount) + " of " +
                               std::to_string(read.registersPerRecord) + " registers";
  if (value != expected) return lines.Fail("\"" + expected + "\" expected for this meter", error);

  for (int i = 0; i < layout.recordCount; ++i) {
    if (!lines.Next(line)) return lines.Fail("record " + std::to_string(i) + " is missing", error);
    std::istringstream fields(line);
    std::string index, word;
    fields >> index;
    if (index != std::to_string(i) + ":") return lines.Fail("record " + std::to_string(i) + " expected", error);
    std::vector<uint16_t>& record = read.records.emplace_back();
    while (fields >> word) {
      uint16_t register_ = 0;
      if (!HexWord(word, register_)) return lines.Fail("\"" + word + "\" is not a 4-digit hexadecimal word", error);
      record.push_back(register_);
    }
    if (static_cast<int>(record.size()) != read.registersPerRecord) {
      return lines.Fail(std::to_string(read.registersPerRecord) + " registers expected", error);
    }
  }
  while (lines.Next(line)) {
    if (!line.empty()) return lines.Fail("more records than the meter holds", error);
  }
  kept = std::move(read);
  return true;
}

int32_t ReplayIntoTable(const KeptDownload& kept, int32_t units, ReadingTable& table) {
  table = ReadingTable{};
  table.readings.resize(kept.records.size());
  int32_t choice = units;
  const std::function<int32_t()> noQuestion;  // a dissolved-oxygen replay always has its answer
  for (size_t i = 0; i < kept.records.size(); ++i) {
    DecodeRecord(kept.records[i], kept.kind, kept.moment.time, choice, noQuestion, table.readings[i]);
  }
  table.meterKind = kept.kind;
  const int32_t valid = Compaction(table, static_cast<int32_t>(kept.records.size()));
  table.sortPriority = LocationTime;
  table.dataSaved = 0;
  table.shownLayout = 0;
  return valid;
}
