#include "Corrections.h"

#include <algorithm>

#include "Meters.h"

const char* const kCorrectionsFileName = "corrections.txt";
const char* const kUnitsField = "units";
const char* const kDownloadedField = "downloaded";

namespace {

const char* const kCorrectionsVersionLine = "Datapond corrections, format 1\n";

// Larger than years of corrections made by hand; a file far past it is not one.
constexpr size_t kMaxCorrectionsBytes = 16 << 20;

bool Fail(size_t line, const std::string& what, std::vector<Correction>& corrections, std::string& error) {
  corrections.clear();
  error = "line " + std::to_string(line) + ": " + what;
  return false;
}

// The value a field's text gives it; false for a text the field cannot have.
bool SetField(const std::string& field, const std::string& text, KeptDownload& kept) {
  if (field == kUnitsField) return ParseUnitsName(text, kept.units);
  return field == kDownloadedField && ParseMomentText(text, kept.moment);
}

}  // namespace

std::string FieldText(const KeptDownload& kept, const std::string& field) {
  return field == kUnitsField ? UnitsName(kept.units) : MomentText(kept.moment, true);
}

std::string CorrectionLine(const Correction& c) {
  return MomentText(c.when, true) + "\t" + c.id + "\t" + c.field + "\t" + c.from + "\t" + c.to + "\n";
}

bool ParseCorrections(const std::string& text, std::vector<Correction>& corrections, std::string& error) {
  corrections.clear();
  const std::string version =
      std::string(kCorrectionsVersionLine, std::char_traits<char>::length(kCorrectionsVersionLine) - 1);
  size_t number = 0;
  for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
    const std::string line = text.substr(at, end - at);
    ++number;
    // Two writers that made the log at once both began it with the version line.
    if (line == version) continue;
    if (number == 1) {
      const bool newer = line.starts_with("Datapond corrections");
      return Fail(number, newer ? "a format this version cannot read" : "not a log of corrections", corrections, error);
    }
    std::vector<std::string> fields;
    for (size_t from = 0;;) {
      const size_t tab = std::min(line.find('\t', from), line.size());
      fields.push_back(line.substr(from, tab - from));
      if (tab == line.size()) break;
      from = tab + 1;
    }
    if (fields.size() != 5) return Fail(number, "5 fields separated by tabs expected", corrections, error);
    Correction c{{}, fields[1], fields[2], fields[3], fields[4]};
    KeptDownload probe;
    if (!ParseMomentText(fields[0], c.when))
      return Fail(number, "not a date and time \"" + Printable(fields[0]) + "\"", corrections, error);
    if (c.id.empty() || Printable(c.id) != c.id) return Fail(number, "not a kept download's id", corrections, error);
    if (c.field != kUnitsField && c.field != kDownloadedField) {
      return Fail(number, "no field \"" + Printable(c.field) + "\" can be corrected", corrections, error);
    }
    if (!SetField(c.field, c.to, probe) || Printable(c.from) != c.from) {
      return Fail(number, "\"" + Printable(c.to) + "\" is not a value of " + c.field, corrections, error);
    }
    corrections.push_back(std::move(c));
  }
  return true;
}

bool ApplyCorrections(const std::vector<Correction>& corrections, const std::string& id, KeptDownload& kept,
                      std::string& error) {
  for (const Correction& c : corrections) {
    if (c.id != id) continue;
    if (c.field == kUnitsField && kept.kind != MeterKind::DissolvedOxygen) {
      error = std::string(kCorrectionsFileName) + ": units for a meter that has none";
      return false;
    }
    SetField(c.field, c.to, kept);
  }
  return true;
}

bool ReadCorrections(const std::string& folder, const FileSystem& files, std::vector<Correction>& corrections,
                     std::string& error) {
  const std::string path = folder + kPathSeparator + kCorrectionsFileName;
  std::string text, reason;
  corrections.clear();
  if (!files.isFile(path)) return true;
  if (!files.read(path, kMaxCorrectionsBytes, text, reason) || !ParseCorrections(text, corrections, reason)) {
    error = path + ": " + reason;
    return false;
  }
  return true;
}

bool AddCorrection(const std::string& folder, const FileSystem& files, const Correction& correction,
                   std::string& reason) {
  return files.appendLine(folder + kPathSeparator + kCorrectionsFileName, kCorrectionsVersionLine,
                          CorrectionLine(correction), reason);
}
