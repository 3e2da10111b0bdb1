#include "KeptDownload.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string_view>

#include "Identify.h"
#include "LoggedReading.h"
#include "Meters.h"

namespace {

const char* const kVersionLine = "Datapond kept download, format 1";

const char* ToldByName(KindToldBy toldBy) { return toldBy == KindToldBy::Probe ? "probe" : "identification"; }

// Reads the fields of a kept file line by line, keeping the line number for its errors.
class Lines {
 public:
  explicit Lines(const std::string& text) : text_(text) {}

  bool Next(std::string& line) {
    std::string_view view;
    if (!Next(view)) return false;
    line.assign(view);
    return true;
  }
  // The line in place, for the records, which are most of the file.
  bool Next(std::string_view& line) {
    if (at_ >= text_.size()) {
      ended_ = true;
      return false;
    }
    const size_t end = std::min(text_.find('\n', at_), text_.size());
    line = std::string_view(text_).substr(at_, end - at_);
    at_ = end + 1;
    ++number_;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return true;
  }
  // The value of the next line, which must be "name: value".
  bool Field(const char* name, std::string& value, std::string& error) {
    std::string line;
    if (!Next(line)) return Fail("ends before its " + std::string(name) + " line", error);
    const std::string prefix = std::string(name) + ": ";
    if (!line.starts_with(prefix)) return Fail("\"" + prefix + "...\" expected", error);
    value = line.substr(prefix.size());
    return true;
  }
  bool Fail(const std::string& what, std::string& error) const {
    error = "line " + std::to_string(number_ + (ended_ ? 1 : 0)) + ": " + what;
    return false;
  }

 private:
  const std::string& text_;
  size_t at_ = 0;
  int number_ = 0;
  bool ended_ = false;  // a line was asked for past the end: the error is on the missing one
};

// "  7:", the number of a record line, right-aligned in three places.
// " 12:", the record's index right-aligned in three places; written by hand, since it is
// written and checked for every record of every kept download read.
std::string RecordLabel(size_t index) {
  char label[24];
  char* const end = label + sizeof label;
  char* first = end;
  *--first = ':';
  do {
    *--first = static_cast<char>('0' + index % 10);
    index /= 10;
  } while (index != 0);
  while (end - first < 4) *--first = ' ';
  return std::string(first, end);
}

// A field's text as an error may show it: quoted, its control characters escaped.
std::string Quote(const std::string& text) { return "\"" + Printable(text) + "\""; }

// The decimal digits at `at`, known to be digits, as a number.
int Digits(const std::string& text, size_t at, size_t count) {
  int value = 0;
  for (size_t i = at; i < at + count; ++i) value = value * 10 + (text[i] - '0');
  return value;
}

bool HexWord(std::string_view text, uint16_t& word) {
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

// "2026-12-07 10:15:42 +01:00", exactly as written: a date that is in the calendar, of a year
// a computer's clock can show, so every reading placed by it has a date a spreadsheet shows.
bool ParseMomentText(const std::string& text, LocalMoment& moment) {
  const std::string_view form = "0000-00-00 00:00:00 +00:00";
  if (text.size() != form.size()) return false;
  // no-mutate(i < form.size()): one further compares the NULs that end both texts
  for (size_t i = 0; i < form.size(); ++i) {
    const bool same = form[i] == '0'   ? text[i] >= '0' && text[i] <= '9'
                      : form[i] == '+' ? text[i] == '+' || text[i] == '-'
                                       : text[i] == form[i];
    if (!same) return false;
  }
  const int y = Digits(text, 0, 4), mo = Digits(text, 5, 2), d = Digits(text, 8, 2), h = Digits(text, 11, 2),
            mi = Digits(text, 14, 2), s = Digits(text, 17, 2), oh = Digits(text, 21, 2), om = Digits(text, 24, 2);
  const std::chrono::year_month_day date{std::chrono::year{y}, std::chrono::month{static_cast<unsigned>(mo)},
                                         std::chrono::day{static_cast<unsigned>(d)}};
  if (y < 1970 || !date.ok() || h > 23 || mi > 59 || s > 60 || oh > 23 || om > 59) return false;
  moment = {{y, mo, d, h, mi}, s, (text[20] == '-' ? -1 : 1) * (oh * 60 + om)};
  return true;
}

std::string MomentText(const LocalMoment& moment, bool withOffset) {
  const CivilTime& t = moment.time;
  const int offset = moment.utcOffsetMinutes, size = offset < 0 ? -offset : offset;
  char text[80];  // room for any int in each field, so the compiler sees that nothing is cut
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                moment.second);
  if (!withOffset) return text;
  char zone[32];
  std::snprintf(zone, sizeof zone, " %c%02d:%02d", offset < 0 ? '-' : '+', size / 60, size % 60);
  return text + std::string(zone);
}

std::string Printable(const std::string& text) {
  std::string shown;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    // C0 controls, DEL, and the C1 controls as UTF-8 writes them (C2 80 to C2 9F).
    const bool c1 = byte == 0xC2 && i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xE0) == 0x80;
    if (byte >= 0x20 && byte != 0x7F && !c1) {
      shown += text[i];
      continue;
    }
    const unsigned code = c1 ? static_cast<unsigned char>(text[++i]) : byte;
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\x%02X", code);
    shown += escaped;
  }
  return shown;
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
  std::string text = std::string(kVersionLine) + "\n";
  text += "meter: " + std::string(MeterOf(kept.kind).name) + "\n";
  text += "kind told by: " + std::string(ToldByName(kept.toldBy)) + "\n";
  text += "port: " + kept.port + "\n";
  text += "downloaded: " + MomentText(kept.moment, true) + "\n";
  text += "units: " + std::string(UnitsName(kept.units)) + "\n";
  text += "records: " + std::to_string(kept.records.size()) + " of " + std::to_string(kept.registersPerRecord) +
          " registers\n";
  for (size_t i = 0; i < kept.records.size(); ++i) {
    text += RecordLabel(i);
    for (uint16_t word : kept.records[i]) {
      char hex[8];
      std::snprintf(hex, sizeof hex, " %04X", word);
      text += hex;
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
    return lines.Fail(
        line.starts_with("Datapond kept download") ? "a format this version cannot read" : "not a kept download",
        error);
  }
  KeptDownload read;
  if (!lines.Field("meter", value, error)) return false;
  const Meter* meter = MeterNamed(value);
  if (meter == nullptr) return lines.Fail("unknown meter " + Quote(value), error);
  read.kind = meter->kind;
  if (!lines.Field("kind told by", value, error)) return false;
  if (value != "identification" && value != "probe") return lines.Fail("unknown way " + Quote(value), error);
  read.toldBy = value == "probe" ? KindToldBy::Probe : KindToldBy::Identification;
  if (!lines.Field("port", read.port, error)) return false;
  if (Printable(read.port) != read.port) {
    return lines.Fail("a control character in the port " + Quote(read.port), error);
  }
  if (!lines.Field("downloaded", value, error)) return false;
  if (!ParseMomentText(value, read.moment)) return lines.Fail("not a date and time " + Quote(value), error);
  if (!lines.Field("units", value, error)) return false;
  if (!ParseUnitsName(value, read.units)) return lines.Fail("unknown units " + Quote(value), error);
  if (read.units != UnitsNotAsked && read.kind != MeterKind::DissolvedOxygen) {
    return lines.Fail("units for a meter that has none", error);
  }
  if (!lines.Field("records", value, error)) return false;
  read.registersPerRecord = meter->registersPerRecord;
  const std::string expected =
      std::to_string(meter->recordCount) + " of " + std::to_string(read.registersPerRecord) + " registers";
  if (value != expected) return lines.Fail("\"" + expected + "\" expected for this meter", error);

  read.records.reserve(static_cast<size_t>(meter->recordCount));
  std::string_view record_line;
  for (int i = 0; i < meter->recordCount; ++i) {
    if (!lines.Next(record_line)) return lines.Fail("record " + std::to_string(i) + " is missing", error);
    const std::string_view line = record_line;
    const std::string label = RecordLabel(static_cast<size_t>(i));
    if (line.substr(0, label.size()) != label) return lines.Fail("record " + std::to_string(i) + " expected", error);
    std::vector<uint16_t>& record = read.records.emplace_back();
    record.reserve(static_cast<size_t>(read.registersPerRecord));
    for (size_t at = label.size(); at < line.size();) {
      if (line[at] != ' ') return lines.Fail("one space expected between registers", error);
      const size_t end = std::min(line.find(' ', at + 1), line.size());
      const std::string_view word = line.substr(at + 1, end - at - 1);
      uint16_t register_ = 0;
      if (!HexWord(word, register_)) {
        return lines.Fail(Quote(std::string(word)) + " is not a 4-digit hexadecimal word", error);
      }
      record.push_back(register_);
      at = end;
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
